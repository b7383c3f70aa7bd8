// Qt before Xlib: Xlib defines macros that break Qt's headers.
#include "QtLog.h"

#include "HookThread.h"
#include "X11Display.h"
#include "X11ErrorTrap.h"

#include <X11/extensions/XInput2.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// After a burst of input the thread pauses this long before reading again, so a moving
// mouse (a thousand raw events a second) costs a few wake-ups a second instead of one
// per event. Events wait in the socket meanwhile and are all still delivered; activity
// is only ever judged in seconds, and a shutdown request still ends the pause at once.
constexpr int batchWindowMs = 50;

// Returns the XInput opcode, or -1 with the reason logged.
int selectRawEvents(Display* display, bool& connectionLost)
{
    X11ErrorTrap trap(display);
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError)) {
        LK_WARNING() << "InstallHooks - the X server has no XInput extension, input hooks are off";
        connectionLost = trap.connectionLost();
        return -1;
    }
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 || (major == 2 && minor < 2)) {
        LK_WARNING() << "InstallHooks - the X server lacks XInput 2.2, input hooks are off";
        connectionLost = trap.connectionLost();
        return -1;
    }

    // Raw events reach root-window listeners whatever window has the focus and whoever
    // holds a grab, and listening for them changes nothing for other clients.
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawMotion);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);
    connectionLost = trap.connectionLost();
    if (trap.errorCount() > 0 || connectionLost) {
        LK_WARNING() << "InstallHooks - the X server refused raw input events, input hooks are off";
        return -1;
    }
    return opcode;
}

} // namespace

std::unique_ptr<HookThread> HookThread::start(Deliver deliver)
{
    Display* display = X11Display::open();
    if (!display) {
        LK_WARNING() << "InstallHooks - cannot open the X display, input hooks are off";
        return nullptr;
    }

    bool connectionLost = false;
    const int opcode = selectRawEvents(display, connectionLost);
    if (opcode < 0) {
        X11Display::release(display, connectionLost);
        return nullptr;
    }

    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        LK_WARNING() << "InstallHooks - cannot create the wake-up pipe:" << strerror(errno);
        X11Display::close(display);
        return nullptr;
    }

    std::unique_ptr<HookThread> hooks(new HookThread(display, opcode, wake[0], wake[1], deliver));
    hooks->_thread = std::thread(&HookThread::run, hooks.get());
    return hooks;
}

HookThread::HookThread(Display* display, int xiOpcode, int wakeRead, int wakeWrite, Deliver deliver)
    : _display(display), _xiOpcode(xiOpcode), _wakeRead(wakeRead), _wakeWrite(wakeWrite), _deliver(deliver)
{}

HookThread::~HookThread()
{
    stop();
}

void HookThread::stop()
{
    if (_thread.joinable()) {
        _stopRequested = true;
        const char byte = 1;
        // The pipe is non-blocking; if it is somehow full the thread is awake anyway.
        [[maybe_unused]] ssize_t written = write(_wakeWrite, &byte, 1);
        _thread.join();
    }
    if (_display) {
        X11Display::release(_display, _connectionLost);
        _display = nullptr;
    }
    if (_wakeRead >= 0) {
        close(_wakeRead);
        close(_wakeWrite);
        _wakeRead = _wakeWrite = -1;
    }
}

void HookThread::run()
{
    _threadId = std::this_thread::get_id();
    X11ErrorTrap trap(_display);
    const int xfd = ConnectionNumber(_display);

    while (!_stopRequested) {
        // Xlib may already hold events it read while answering an earlier call, so the
        // queue is emptied before poll() is asked whether the socket has more.
        const int delivered = drainEvents();
        if (trap.connectionLost()) {
            _connectionLost = true;
            LK_WARNING() << "HookThread - the X connection was lost, input hooks are off";
            break;
        }
        if (_stopRequested)
            break;
        if (delivered > 0 && waitForWakeUp(batchWindowMs))
            break;

        pollfd fds[2] = {{xfd, POLLIN, 0}, {_wakeRead, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            LK_WARNING() << "HookThread - poll failed:" << strerror(errno);
            break;
        }
        if (fds[1].revents != 0)
            break;
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            // Let Xlib read what is left and notice the loss itself; then stop, since a
            // dead socket would make poll() return at once forever.
            drainEvents();
            _connectionLost = true;
            LK_WARNING() << "HookThread - the X connection was closed, input hooks are off";
            break;
        }
    }
    _threadId = std::thread::id();
}

int HookThread::drainEvents()
{
    int delivered = 0;
    while (!_stopRequested && XPending(_display) > 0) {
        XEvent event;
        XNextEvent(_display, &event);
        // The payload (key code, device, position) stays undecoded: XGetEventData is
        // never called, and Xlib frees the unclaimed data at the next XNextEvent.
        if (event.xcookie.type == GenericEvent && event.xcookie.extension == _xiOpcode) {
            _deliver(event.xcookie.evtype);
            ++delivered;
        }
    }
    return delivered;
}

bool HookThread::waitForWakeUp(int timeoutMs)
{
    pollfd wake {_wakeRead, POLLIN, 0};
    return poll(&wake, 1, timeoutMs) > 0;
}
