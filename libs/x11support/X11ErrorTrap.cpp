#include "X11ErrorTrap.h"

#include <X11/Xlib.h>

#include <mutex>

namespace {

// Xlib reports an error on the thread whose call caused it, so each thread keeps its own
// chain of traps and the handlers need no lock.
thread_local X11ErrorTrap* tCurrentTrap = nullptr;
XErrorHandler gPreviousErrorHandler = nullptr;
XIOErrorHandler gPreviousIOErrorHandler = nullptr;

} // namespace

struct X11ErrorTrap::Handlers {
    static X11ErrorTrap* trapFor(Display* display)
    {
        for (X11ErrorTrap* trap = tCurrentTrap; trap; trap = trap->_outer) {
            if (trap->_display == display)
                return trap;
        }
        return nullptr;
    }

    static int onError(Display* display, XErrorEvent* event)
    {
        if (X11ErrorTrap* trap = trapFor(display)) {
            ++trap->_errorCount;
            return 0;
        }
        return gPreviousErrorHandler ? gPreviousErrorHandler(display, event) : 0;
    }

    static int onIOError(Display* display)
    {
        if (X11ErrorTrap* trap = trapFor(display)) {
            trap->_connectionLost = true;
            return 0;
        }
        return gPreviousIOErrorHandler ? gPreviousIOErrorHandler(display) : 0;
    }

    static void install()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            gPreviousErrorHandler = XSetErrorHandler(&onError);
            gPreviousIOErrorHandler = XSetIOErrorHandler(&onIOError);
        });
    }
};

X11ErrorTrap::X11ErrorTrap(Display* display) : _display(display), _outer(tCurrentTrap)
{
    Handlers::install();
    tCurrentTrap = this;
}

X11ErrorTrap::~X11ErrorTrap()
{
    tCurrentTrap = _outer;
}
