#pragma once

#include <chrono>

// Kept out of headers: Xlib's macros (None, Bool, Status) clash with Qt's headers.
typedef struct _XDisplay Display;

// A private X connection that opens on first use and reopens after it was lost.
//
// Failed attempts are retried at most every few seconds, so a missing X server costs
// one failed connect per interval rather than one per call, and the warning is logged
// once until a connection succeeds. Not thread-safe: its owner serialises the calls.
class X11Connection
{
public:
    struct Atoms {
        unsigned long netSupportingWmCheck = 0;
        unsigned long netActiveWindow = 0;
        unsigned long netWmName = 0;
        unsigned long netWmPid = 0;
        unsigned long utf8String = 0;
        unsigned long compoundText = 0;
        unsigned long wmState = 0;
    };

    // who names the owner in log lines.
    explicit X11Connection(const char* who);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // The open display, or nullptr when none can be had right now.
    Display* display();
    // Closes a connection whose server went away; the next display() tries again.
    void dropLost();

    // Valid while display() returns the same pointer.
    unsigned long root() const { return _root; }
    const Atoms& atoms() const { return _atoms; }
    // X-Resource 1.2 or later, which can name the process behind a window.
    bool hasClientIds() const { return _hasClientIds; }

private:
    bool open();
    void close();
    void forget();

    const char* _who;
    Display* _display = nullptr;
    unsigned long _root = 0;
    Atoms _atoms;
    bool _hasClientIds = false;
    bool _warned = false;
    bool _attempted = false;
    std::chrono::steady_clock::time_point _lastAttempt;
};
