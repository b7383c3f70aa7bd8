#include "HookErrorTrap.h"

#include <mutex>

namespace {

thread_local HookErrorTrap* tCurrentTrap = nullptr;
XErrorHandler gPreviousErrorHandler = nullptr;
XIOErrorHandler gPreviousIOErrorHandler = nullptr;

// Xlib calls this after the I/O error handler; returning leaves the display marked as
// broken, so every later call on it fails at once instead of the process exiting.
void ignoreConnectionLoss(Display*, void*) {}

} // namespace

HookErrorTrap::HookErrorTrap(Display* display) : _display(display), _outer(tCurrentTrap)
{
    installProcessHandlers();
    tCurrentTrap = this;
}

HookErrorTrap::~HookErrorTrap()
{
    tCurrentTrap = _outer;
}

void HookErrorTrap::keepAliveOnConnectionLoss(Display* display)
{
    XSetIOErrorExitHandler(display, ignoreConnectionLoss, nullptr);
}

void HookErrorTrap::installProcessHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gPreviousErrorHandler = XSetErrorHandler(&HookErrorTrap::onError);
        gPreviousIOErrorHandler = XSetIOErrorHandler(&HookErrorTrap::onIOError);
    });
}

int HookErrorTrap::onError(Display* display, XErrorEvent* event)
{
    for (HookErrorTrap* trap = tCurrentTrap; trap; trap = trap->_outer) {
        if (trap->_display == display) {
            ++trap->_errorCount;
            return 0;
        }
    }
    return gPreviousErrorHandler ? gPreviousErrorHandler(display, event) : 0;
}

int HookErrorTrap::onIOError(Display* display)
{
    for (HookErrorTrap* trap = tCurrentTrap; trap; trap = trap->_outer) {
        if (trap->_display == display) {
            trap->_connectionLost = true;
            return 0;
        }
    }
    return gPreviousIOErrorHandler ? gPreviousIOErrorHandler(display) : 0;
}
