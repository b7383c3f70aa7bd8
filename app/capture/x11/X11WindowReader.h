#pragma once

#include "X11Connection.h"
#include "X11ForegroundWindow.h"

#include <mutex>

class X11ErrorTrap;

// Reads which window the user works in and where the cursor is, over an X connection of
// its own that opens on first use.
//
// Thread-safe: every call holds the reader's lock for its round trips, so the hook thread
// and the cursor poller may share one reader. Giving each its own reader avoids the wait
// and costs one more X connection. No call ever ends or blocks the process because of an
// X error: a window that vanishes mid-read leaves the affected fields empty.
class X11WindowReader
{
public:
    X11WindowReader();
    ~X11WindowReader();
    X11WindowReader(const X11WindowReader&) = delete;
    X11WindowReader& operator=(const X11WindowReader&) = delete;

    // The foreground window: _NET_ACTIVE_WINDOW under an EWMH window manager, else the
    // window with the input focus, else the top-level window under the pointer. found()
    // is false when there is none (an EWMH manager with no active window, the pointer
    // over the bare root) or no X display.
    X11ForegroundWindow readForegroundWindow();

    // Title, process and app name of a given client window.
    X11ForegroundWindow readWindow(unsigned long window);

    // Cursor position on the screen, in root-window pixels; false (x and y untouched)
    // when there is no X display.
    bool cursorPosition(int& x, int& y);

private:
    struct Pointer {
        unsigned long root = 0;
        unsigned long child = 0;
        int x = 0;
        int y = 0;
        bool sameScreen = false;
    };
    static Pointer queryPointer(Display* display, unsigned long root);

    unsigned long findForegroundWindow(const X11ErrorTrap& trap);
    unsigned long clientWindowOf(unsigned long window);
    unsigned long clientWindowBelow(unsigned long topLevel);
    void readDetails(X11ForegroundWindow& out);
    qint64 pidOf(unsigned long window);
    qint64 pidFromServer(unsigned long window);
    void finishCall(bool connectionLost);

    std::mutex _mutex;
    X11Connection _connection;
};
