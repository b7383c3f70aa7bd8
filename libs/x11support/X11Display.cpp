#include "X11Display.h"

#include "X11ErrorTrap.h"

#include <X11/Xlib.h>

#include <mutex>
#include <vector>

#include <unistd.h>

namespace {

// Xlib calls this after the I/O error handler; returning leaves the display marked as
// broken, so every later call on it fails at once instead of the process exiting.
void ignoreConnectionLoss(Display*, void*) {}

} // namespace

Display* X11Display::open()
{
    Display* display = XOpenDisplay(nullptr);
    if (display)
        XSetIOErrorExitHandler(display, ignoreConnectionLoss, nullptr);
    return display;
}

void X11Display::release(Display* display, bool connectionLost)
{
    if (connectionLost)
        abandon(display);
    else
        close(display);
}

void X11Display::close(Display* display)
{
    X11ErrorTrap trap(display);
    XCloseDisplay(display);
}

void X11Display::abandon(Display* display)
{
    ::close(ConnectionNumber(display));
    // Kept where the process can still reach it: an abandoned display is kept on purpose,
    // and leak checkers must not report it as lost.
    static std::mutex keeping;
    static auto* abandoned = new std::vector<Display*>;
    const std::lock_guard<std::mutex> lock(keeping);
    abandoned->push_back(display);
}
