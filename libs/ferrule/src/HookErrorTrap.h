#pragma once

#include <X11/Xlib.h>

// Keeps X errors on the hook connection from ending the process.
//
// Xlib's default handlers call exit() on any protocol error and when a connection dies.
// While a trap is alive on a thread, errors on its display are counted and a lost
// connection is noted instead; errors on every other connection go on to whichever
// handler was installed before ours (Qt's, for the program's own connection), so the
// rest of the process behaves as if we were not here.
//
// Xlib's handlers are process-wide and only chain correctly when installed once, after
// the toolkit's: the first trap installs them, so create hooks after QApplication.
class HookErrorTrap
{
public:
    explicit HookErrorTrap(Display* display);
    ~HookErrorTrap();
    HookErrorTrap(const HookErrorTrap&) = delete;
    HookErrorTrap& operator=(const HookErrorTrap&) = delete;

    int errorCount() const { return _errorCount; }
    bool connectionLost() const { return _connectionLost; }

    // Stops Xlib from calling exit() after a lost connection on this display; call once
    // right after opening it.
    static void keepAliveOnConnectionLoss(Display* display);

private:
    static int onError(Display* display, XErrorEvent* event);
    static int onIOError(Display* display);
    static void installProcessHandlers();

    Display* _display;
    HookErrorTrap* _outer;
    int _errorCount = 0;
    bool _connectionLost = false;
};
