#pragma once

// Kept out of headers: Xlib's macros (None, Bool, Status) clash with Qt's headers.
typedef struct _XDisplay Display;

// Keeps X errors on our own connections from ending the process.
//
// Xlib's default handlers call exit() on any protocol error (a window destroyed between
// two requests raises BadWindow) and when a connection dies. While a trap is alive on a
// thread, errors on its display are counted and a lost connection is noted instead; the
// failing call simply reports failure. Traps nest: a thread may hold traps on several
// displays at once (the hook thread reads windows from its callbacks), and each error
// goes to the trap of the display it came from. Errors on every other connection go on
// to whichever handler was installed before ours (Qt's, for the program's own
// connection), so the rest of the process behaves as if we were not here.
//
// Xlib's handlers are process-wide. The first trap, whichever of our users creates it,
// installs them once for all; later traps only register. The toolkit sets its own when
// its application object is built, so create traps after QApplication.
class X11ErrorTrap
{
public:
    explicit X11ErrorTrap(Display* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    int errorCount() const { return _errorCount; }
    bool connectionLost() const { return _connectionLost; }

private:
    struct Handlers;

    Display* _display;
    X11ErrorTrap* _outer;
    int _errorCount = 0;
    bool _connectionLost = false;
};
