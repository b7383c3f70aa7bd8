#include "WaylandSession.h"

#include "WaylandConnection.h"

#include "QtLog.h"
#include "WindowTitleText.h"

#include "ext-idle-notify-v1-client.h"
#include "kde-idle-client.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client.h"

#include <wayland-client.h>

#include <chrono>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// While input goes on, activity is reported this often; the sampler keeps one in 3 s.
constexpr int kActivityTickMs = 500;
// Input without a one-second pause says nothing, and neither does a compositor whose idle
// timer an inhibitor (a playing video) holds: without an "idle", both look alike. Silence
// counts as activity only this long after the last "resumed", so a video left playing
// becomes absence as on X11, only later. Steady typing often goes for half a minute without
// such a pause, hardly for five; should it, its samples wait for the next pause, and its
// log continues across the gap.
constexpr auto kActiveWithoutNews = std::chrono::minutes(5);
// A session that keeps breaking the protocol is not retried for ever.
constexpr int kMaxReconnects = 5;

} // namespace

std::unique_ptr<WaylandSession> WaylandSession::connect(const QString& displayName)
{
    std::unique_ptr<WaylandSession> session(new WaylandSession);
    session->_displayName = displayName;
    QString error;
    session->_connection = Connection::open(displayName, session->_offer, error);
    if (!session->_connection) {
        LK_WARNING().noquote() << "WaylandSession -" << error;
        return nullptr;
    }
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        LK_WARNING() << "WaylandSession - cannot create the wake-up pipe:" << strerror(errno);
        return nullptr;
    }
    session->_wakeRead = wake[0];
    session->_wakeWrite = wake[1];
    session->publish();
    return session;
}

WaylandSession::~WaylandSession()
{
    stop();
    if (_wakeRead >= 0) {
        ::close(_wakeRead);
        ::close(_wakeWrite);
    }
}

void WaylandSession::start(Activity activity, Lost lost)
{
    if (_thread.joinable() || !_connection)
        return;
    _activity = std::move(activity);
    _lost = std::move(lost);
    _thread = std::thread(&WaylandSession::run, this);
}

void WaylandSession::stop()
{
    if (_thread.joinable()) {
        _stopRequested = true;
        const char byte = 1;
        // The pipe is non-blocking; if it is somehow full the thread is awake anyway.
        [[maybe_unused]] ssize_t written = write(_wakeWrite, &byte, 1);
        _thread.join();
    }
    _connection.reset();
    std::lock_guard<std::mutex> lock(_toplevelMutex);
    _toplevel = WaylandToplevel();
}

WaylandToplevel WaylandSession::activeToplevel() const
{
    std::lock_guard<std::mutex> lock(_toplevelMutex);
    return _toplevel;
}

void WaylandSession::publish()
{
    WaylandToplevel current = _connection ? _connection->snapshot() : WaylandToplevel();
    if (_connection)
        _connection->toplevelChanged = false;
    std::lock_guard<std::mutex> lock(_toplevelMutex);
    _toplevel = std::move(current);
}

bool WaylandSession::waitForWakeUp(int timeoutMs)
{
    pollfd wake {_wakeRead, POLLIN, 0};
    return poll(&wake, 1, timeoutMs) > 0;
}

void WaylandSession::run()
{
    int reconnects = 0;
    while (true) {
        const bool protocolError = serve();
        if (_stopRequested)
            return;
        _connection.reset();
        publish();
        if (!protocolError)
            break;
        if (++reconnects > kMaxReconnects) {
            LK_WARNING() << "WaylandSession - too many protocol errors, the Wayland capture stops";
            return;
        }
        if (waitForWakeUp(1000))
            return;
        WaylandOffer offer;
        QString error;
        _connection = Connection::open(_displayName, offer, error);
        if (!_connection) {
            LK_WARNING().noquote() << "WaylandSession -" << error;
            break;
        }
        LK_INFO().noquote() << "WaylandSession - connected again, the compositor offers" << offer.described();
        publish();
    }
    if (_lost)
        _lost();
}

bool WaylandSession::serve()
{
    Connection& connection = *_connection;
    wl_display* display = connection.display;
    const int fd = wl_display_get_fd(display);
    auto lastActivity = Clock::now() - std::chrono::hours(1);
    auto lastNews = Clock::now();

    const auto failed = [display]() {
        const int error = wl_display_get_error(display);
        if (error == EPROTO) {
            const wl_interface* interface = nullptr;
            uint32_t id = 0;
            const uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
            LK_WARNING().noquote() << "WaylandSession - protocol error" << code << "on"
                                   << (interface ? QString::fromLatin1(interface->name) : QStringLiteral("?"))
                                   << "object" << id << ", connecting again...";
            return true;
        }
        LK_WARNING().noquote() << "WaylandSession - the Wayland compositor is gone:"
                               << QString::fromLocal8Bit(strerror(error ? error : errno));
        return false;
    };

    while (!_stopRequested) {
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0)
                return failed();
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            return failed();
        }
        // Asleep without a timeout while the user is away: only the compositor's next
        // notice, or a stop, wakes the thread.
        int timeoutMs = -1;
        const bool ticking = connection.userActive && Clock::now() - lastNews < kActiveWithoutNews;
        if (ticking) {
            const auto since =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity).count();
            timeoutMs = since >= kActivityTickMs ? 0 : static_cast<int>(kActivityTickMs - since);
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {_wakeRead, POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            wl_display_cancel_read(display);
            LK_WARNING() << "WaylandSession - poll failed:" << strerror(errno);
            return false;
        }
        if (ready > 0 && fds[1].revents != 0) {
            wl_display_cancel_read(display);
            return false;
        }
        if (ready > 0 && fds[0].revents != 0) {
            if (wl_display_read_events(display) < 0)
                return failed();
        } else {
            wl_display_cancel_read(display);
        }
        if (wl_display_dispatch_pending(display) < 0)
            return failed();

        if (connection.toplevelChanged)
            publish();
        const auto now = Clock::now();
        if (connection.resumed)
            lastNews = now;
        const bool stillActive = connection.userActive && now - lastNews < kActiveWithoutNews;
        if (connection.resumed || (stillActive && now - lastActivity >= std::chrono::milliseconds(kActivityTickMs))) {
            connection.resumed = false;
            lastActivity = now;
            if (_activity)
                _activity();
        }
    }
    return false;
}
