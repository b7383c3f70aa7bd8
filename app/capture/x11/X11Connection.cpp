// Qt before Xlib: Xlib defines macros that break Qt's headers.
#include "QtLog.h"

#include "X11Connection.h"
#include "X11Display.h"
#include "X11ErrorTrap.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

namespace {

constexpr std::chrono::seconds retryInterval(5);

} // namespace

X11Connection::X11Connection(const char* who) : _who(who) {}

X11Connection::~X11Connection()
{
    close();
}

Display* X11Connection::display()
{
    if (_display)
        return _display;
    const auto now = std::chrono::steady_clock::now();
    if (_attempted && now - _lastAttempt < retryInterval)
        return nullptr;
    _attempted = true;
    _lastAttempt = now;
    return open() ? _display : nullptr;
}

void X11Connection::dropLost()
{
    if (!_display)
        return;
    LK_WARNING() << _who << "- the X connection was lost, reconnecting later...";
    X11Display::abandon(_display);
    forget();
    // Reconnecting at once would most likely fail against the same dying server.
    _lastAttempt = std::chrono::steady_clock::now();
}

bool X11Connection::open()
{
    Display* display = X11Display::open();
    if (!display) {
        if (!_warned)
            LK_WARNING() << _who << "- cannot open the X display, window details are unavailable";
        _warned = true;
        return false;
    }
    X11ErrorTrap trap(display);

    const char* names[] = {"_NET_SUPPORTING_WM_CHECK",
                           "_NET_ACTIVE_WINDOW",
                           "_NET_WM_NAME",
                           "_NET_WM_PID",
                           "UTF8_STRING",
                           "COMPOUND_TEXT",
                           "WM_STATE"};
    constexpr int count = sizeof(names) / sizeof(names[0]);
    Atom atoms[count] = {};
    // One round trip for all names.
    if (!XInternAtoms(display, const_cast<char**>(names), count, False, atoms) || trap.connectionLost()) {
        LK_WARNING() << _who << "- the X server did not answer, window details are unavailable";
        X11Display::abandon(display);
        return false;
    }
    _atoms.netSupportingWmCheck = atoms[0];
    _atoms.netActiveWindow = atoms[1];
    _atoms.netWmName = atoms[2];
    _atoms.netWmPid = atoms[3];
    _atoms.utf8String = atoms[4];
    _atoms.compoundText = atoms[5];
    _atoms.wmState = atoms[6];

    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    _hasClientIds = XResQueryExtension(display, &eventBase, &errorBase) && XResQueryVersion(display, &major, &minor)
        && (major > 1 || (major == 1 && minor >= 2));

    _display = display;
    _root = DefaultRootWindow(display);
    _warned = false;
    return true;
}

void X11Connection::close()
{
    if (!_display)
        return;
    X11Display::close(_display);
    forget();
}

void X11Connection::forget()
{
    _display = nullptr;
    _root = 0;
    _hasClientIds = false;
}
