#pragma once

// Kept out of headers: Xlib's macros (None, Bool, Status) clash with Qt's headers.
typedef struct _XDisplay Display;

// Keeps X errors on our own connections from ending the process.
//
// Xlib's default handlers call exit() on any protocol error (a window destroyed between
// two requests raises BadWindow) and when a connection dies. While a trap is alive on a
// thread, errors on its display are counted and a lost connection is noted instead; the
// failing call simply reports failure. Errors on other connections go on to whichever
// handler was installed before ours (Qt's, for the program's own connection).
//
// Xlib's handlers are process-wide and only chain correctly when installed once, after
// the toolkit's: the first trap installs them, so create readers after QApplication.
class X11ErrorTrap
{
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    int errorCount() const { return _errorCount; }
    bool connectionLost() const { return _connectionLost; }

    // Stops Xlib from calling exit() after a lost connection on this display; call once
    // right after opening it.
    static void keepAliveOnConnectionLoss(Display* display);

private:
    struct Handlers;

    Display* _display;
    X11ErrorTrap* _outer;
    int _errorCount = 0;
    bool _connectionLost = false;
};
