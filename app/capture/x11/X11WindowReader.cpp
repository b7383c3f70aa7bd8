// Qt before Xlib: Xlib defines macros that break Qt's headers.
#include "ProcessImageName.h"
#include "X11WindowProperties.h"

#include "X11ErrorTrap.h"
#include "X11WindowReader.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include <climits>
#include <deque>
#include <unistd.h>

namespace {

// Bounds for walking the window tree, which a misbehaving client could make deep.
constexpr int maxAncestors = 64;
constexpr int maxDescendantsChecked = 64;
constexpr int maxDescendantDepth = 3;

bool sameHost(const QString& a, const QString& b)
{
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    // One side may be fully qualified and the other not.
    return a.section(QLatin1Char('.'), 0, 0).compare(b.section(QLatin1Char('.'), 0, 0), Qt::CaseInsensitive) == 0;
}

// A _NET_WM_PID set by a client on another machine names an unrelated process here.
bool isLocalMachine(const QString& machine)
{
    if (machine.isEmpty() || machine == QLatin1String("localhost"))
        return true;
    char host[HOST_NAME_MAX + 1] = {};
    if (gethostname(host, sizeof(host) - 1) != 0)
        return true;
    return sameHost(machine, QString::fromLocal8Bit(host));
}

// Children of a window, or an empty list when it is gone.
std::vector<Window> childrenOf(Display* display, Window window, Window* parent = nullptr)
{
    Window root = 0;
    Window parentWindow = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (!XQueryTree(display, window, &root, &parentWindow, &children, &count)) {
        if (parent)
            *parent = 0;
        return result;
    }
    if (children) {
        result.assign(children, children + count);
        XFree(children);
    }
    if (parent)
        *parent = parentWindow == root ? 0 : parentWindow;
    return result;
}

} // namespace

X11WindowReader::X11WindowReader() : _connection("X11WindowReader") {}

X11WindowReader::~X11WindowReader() = default;

X11ForegroundWindow X11WindowReader::readForegroundWindow()
{
    std::lock_guard<std::mutex> lock(_mutex);
    X11ForegroundWindow out;
    Display* display = _connection.display();
    if (!display)
        return out;
    bool lost = false;
    {
        X11ErrorTrap trap(display);
        out.window = findForegroundWindow(trap);
        if (out.window)
            readDetails(out);
        lost = trap.connectionLost();
    }
    finishCall(lost);
    // Whatever was read before the server went away may be half a window.
    return lost ? X11ForegroundWindow() : out;
}

X11ForegroundWindow X11WindowReader::readWindow(unsigned long window)
{
    std::lock_guard<std::mutex> lock(_mutex);
    X11ForegroundWindow out;
    Display* display = _connection.display();
    if (!display || window == 0)
        return out;
    bool lost = false;
    {
        X11ErrorTrap trap(display);
        out.window = window;
        readDetails(out);
        lost = trap.connectionLost();
    }
    finishCall(lost);
    return lost ? X11ForegroundWindow() : out;
}

X11WindowReader::Pointer X11WindowReader::queryPointer(Display* display, unsigned long root)
{
    Pointer pointer;
    Window child = 0;
    Window pointerRoot = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    pointer.sameScreen =
        XQueryPointer(display, root, &pointerRoot, &child, &pointer.x, &pointer.y, &windowX, &windowY, &buttons);
    pointer.root = pointerRoot;
    pointer.child = child;
    return pointer;
}

bool X11WindowReader::cursorPosition(int& x, int& y)
{
    std::lock_guard<std::mutex> lock(_mutex);
    Display* display = _connection.display();
    if (!display)
        return false;
    bool lost = false;
    bool answered = false;
    {
        X11ErrorTrap trap(display);
        // False only says the pointer is on another screen; the root coordinates are
        // then those on that screen, which still show whether the cursor moved.
        const Pointer pointer = queryPointer(display, _connection.root());
        lost = trap.connectionLost();
        answered = !lost && pointer.root != 0;
        if (answered) {
            x = pointer.x;
            y = pointer.y;
        }
    }
    finishCall(lost);
    return answered;
}

void X11WindowReader::finishCall(bool connectionLost)
{
    if (connectionLost)
        _connection.dropLost();
}

unsigned long X11WindowReader::findForegroundWindow(const X11ErrorTrap& trap)
{
    Display* display = _connection.display();
    const X11Connection::Atoms& atoms = _connection.atoms();
    const X11WindowProperties properties(display, atoms);
    const Window root = _connection.root();

    // An EWMH window manager proves it is alive by a check window that names itself; a
    // stale property left by one that exited points at a missing window.
    const auto check = properties.windowProperty(root, atoms.netSupportingWmCheck);
    if (check && *check != 0) {
        const auto self = properties.windowProperty(*check, atoms.netSupportingWmCheck);
        if (self && *self == *check) {
            // The manager alone knows which client is active. No property, or 0, means
            // none is (an empty desktop); the focus then sits on one of the manager's own
            // windows, which is not something the user works in.
            return properties.windowProperty(root, atoms.netActiveWindow).value_or(0);
        }
    }

    Window focus = 0;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    // XGetInputFocus copies its reply out even when none arrived: after a lost connection
    // focus holds whatever was on Xlib's stack.
    if (trap.connectionLost())
        return 0;
    if (focus != None && focus != PointerRoot && focus != root)
        return clientWindowOf(focus);

    // Focus follows the pointer: the top-level window under it is the one typed into.
    const Pointer pointer = queryPointer(display, root);
    if (pointer.sameScreen && pointer.child != None)
        return clientWindowOf(pointer.child);
    return 0;
}

unsigned long X11WindowReader::clientWindowOf(unsigned long window)
{
    Display* display = _connection.display();
    const X11WindowProperties properties(display, _connection.atoms());

    // The focus often sits on a child widget of the client window, and the pointer finds
    // a window manager's frame around it; WM_STATE marks the client between the two.
    Window current = window;
    for (int depth = 0; depth < maxAncestors; ++depth) {
        if (properties.hasWmState(current))
            return current;
        Window parent = 0;
        childrenOf(display, current, &parent);
        if (parent == 0)
            break;
        current = parent;
    }
    const Window below = clientWindowBelow(current);
    return below ? below : current;
}

unsigned long X11WindowReader::clientWindowBelow(unsigned long topLevel)
{
    Display* display = _connection.display();
    const X11WindowProperties properties(display, _connection.atoms());

    std::deque<std::pair<Window, int>> pending {{topLevel, 0}};
    int checked = 0;
    while (!pending.empty() && checked < maxDescendantsChecked) {
        const auto [window, depth] = pending.front();
        pending.pop_front();
        if (depth >= maxDescendantDepth)
            continue;
        for (Window child : childrenOf(display, window)) {
            if (++checked > maxDescendantsChecked)
                break;
            if (properties.hasWmState(child))
                return child;
            pending.emplace_back(child, depth + 1);
        }
    }
    return 0;
}

void X11WindowReader::readDetails(X11ForegroundWindow& out)
{
    const X11WindowProperties properties(_connection.display(), _connection.atoms());
    out.title = properties.title(out.window);
    out.pid = pidOf(out.window);
    out.appName = ProcessImageName::forPid(out.pid);
}

qint64 X11WindowReader::pidOf(unsigned long window)
{
    const X11WindowProperties properties(_connection.display(), _connection.atoms());
    const qint64 pid = properties.netWmPid(window);
    if (pid > 0 && isLocalMachine(properties.clientMachine(window)))
        return pid;
    return pidFromServer(window);
}

qint64 X11WindowReader::pidFromServer(unsigned long window)
{
    if (!_connection.hasClientIds())
        return 0;
    // The server knows the process behind each local connection; it answers -1 for
    // clients connected over the network.
    XResClientIdSpec clientId;
    clientId.client = window;
    clientId.mask = XRES_CLIENT_ID_PID_MASK;
    long count = 0;
    XResClientIdValue* ids = nullptr;
    if (XResQueryClientIds(_connection.display(), 1, &clientId, &count, &ids) != Success)
        return 0;
    qint64 pid = 0;
    for (long i = 0; i < count && pid <= 0; ++i) {
        if (XResGetClientIdType(&ids[i]) == XRES_CLIENT_ID_PID)
            pid = XResGetClientPid(&ids[i]);
    }
    XResClientIdsDestroy(count, ids);
    return pid > 0 ? pid : 0;
}
