#include "WaylandSession.h"

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

const char* const kToplevelManager = "zwlr_foreign_toplevel_manager_v1";
const char* const kExtIdle = "ext_idle_notifier_v1";
const char* const kKdeIdle = "org_kde_kwin_idle";

// The compositor says "idle" after this long without input, so while it has not, the user
// was seen within the last second.
constexpr uint32_t kIdleTimeoutMs = 1000;
// While input goes on, activity is reported this often; the sampler keeps one in 3 s.
constexpr int kActivityTickMs = 500;
// Input without a one-second pause says nothing, and neither does a compositor whose idle
// timer an inhibitor (a playing video) holds: without an "idle", both look alike. Silence
// counts as activity only this long after the last "resumed", so a video left playing
// becomes absence as on X11, only later. Steady typing often goes for half a minute without
// such a pause, hardly for five; should it, its samples wait for the next pause, and its
// log continues across the gap.
constexpr auto kActiveWithoutNews = std::chrono::minutes(5);
// Each answer the compositor owes at connection must come within this time.
constexpr int kRoundtripTimeoutMs = 5000;
// A session that keeps breaking the protocol is not retried for ever.
constexpr int kMaxReconnects = 5;

// libwayland's own complaints go to our log instead of standard error.
void logFromLibrary(const char* format, va_list args)
{
    char text[512];
    vsnprintf(text, sizeof(text), format, args);
    LK_WARNING().noquote() << "libwayland:" << QString::fromLocal8Bit(text).trimmed();
}

} // namespace

// The Wayland objects of one connection; lives on the session's thread once started.
struct WaylandSession::Connection
{
    struct Toplevel
    {
        Connection* connection = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        QString appId;
        QString title;
        bool activated = false;
        // Changes take effect together at "done".
        QString pendingAppId;
        QString pendingTitle;
        bool pendingActivated = false;
    };

    struct Global
    {
        uint32_t name = 0;
        uint32_t version = 0;
    };

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    ext_idle_notifier_v1* extIdle = nullptr;
    ext_idle_notification_v1* extNotification = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    std::map<std::string, Global> globals;
    std::vector<std::unique_ptr<Toplevel>> toplevels;
    Toplevel* active = nullptr;

    // Set by the event handlers, acted on once a batch of events is dispatched, so no
    // callback of ours runs in the middle of the compositor's update.
    bool toplevelChanged = true;
    bool userActive = true; // until the compositor says otherwise
    bool resumed = false;

    ~Connection() { close(); }

    static std::unique_ptr<Connection> open(const QString& displayName, WaylandOffer& offer, QString& error);
    bool roundtrip(int timeoutMs);
    void bindGlobals(WaylandOffer& offer);
    void close();
    void forget(Toplevel* toplevel);
    WaylandToplevel snapshot() const;
};

namespace {

using Connection = WaylandSession::Connection;
using Toplevel = WaylandSession::Connection::Toplevel;

void onGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version)
{
    auto* connection = static_cast<Connection*>(data);
    // The first of each kind is the one used (one seat is the user's).
    connection->globals.emplace(interface, Connection::Global {name, version});
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemove};

void onTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title)
{
    static_cast<Toplevel*>(data)->pendingTitle = QString::fromUtf8(title);
}

void onAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId)
{
    static_cast<Toplevel*>(data)->pendingAppId = QString::fromUtf8(appId);
}

void onOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}

void onState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states)
{
    bool activated = false;
    const auto* state = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        activated = activated || state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    static_cast<Toplevel*>(data)->pendingActivated = activated;
}

void onDone(void* data, zwlr_foreign_toplevel_handle_v1*)
{
    auto* toplevel = static_cast<Toplevel*>(data);
    Connection* connection = toplevel->connection;
    toplevel->appId = toplevel->pendingAppId;
    toplevel->title = toplevel->pendingTitle;
    toplevel->activated = toplevel->pendingActivated;
    if (toplevel->activated) {
        connection->active = toplevel;
        connection->toplevelChanged = true;
    } else if (connection->active == toplevel) {
        // Focus went to no window (an empty workspace) or to one not yet announced.
        connection->active = nullptr;
        connection->toplevelChanged = true;
    }
}

void onClosed(void* data, zwlr_foreign_toplevel_handle_v1*)
{
    auto* toplevel = static_cast<Toplevel*>(data);
    toplevel->connection->forget(toplevel);
}

void onParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

const zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {
    onTitle, onAppId, onOutput, onOutput, onState, onDone, onClosed, onParent};

void onToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle)
{
    auto* connection = static_cast<Connection*>(data);
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->connection = connection;
    toplevel->handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, toplevel.get());
    connection->toplevels.push_back(std::move(toplevel));
}

void onFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager)
{
    auto* connection = static_cast<Connection*>(data);
    LK_WARNING() << "WaylandSession - the compositor stopped reporting toplevels";
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    connection->manager = nullptr;
}

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {onToplevel, onFinished};

void onIdle(void* data)
{
    static_cast<Connection*>(data)->userActive = false;
}

void onResumed(void* data)
{
    auto* connection = static_cast<Connection*>(data);
    connection->userActive = true;
    connection->resumed = true;
}

const ext_idle_notification_v1_listener kExtIdleListener = {
    [](void* data, ext_idle_notification_v1*) { onIdle(data); },
    [](void* data, ext_idle_notification_v1*) { onResumed(data); }};

const org_kde_kwin_idle_timeout_listener kKdeIdleListener = {
    [](void* data, org_kde_kwin_idle_timeout*) { onIdle(data); },
    [](void* data, org_kde_kwin_idle_timeout*) { onResumed(data); }};

void onSyncDone(void* data, wl_callback*, uint32_t)
{
    *static_cast<bool*>(data) = true;
}

const wl_callback_listener kSyncListener = {onSyncDone};

} // namespace

QString WaylandOffer::described() const
{
    QStringList parts;
    parts << (toplevelProtocol.isEmpty() ? QStringLiteral("no toplevel protocol") : toplevelProtocol);
    parts << (idleProtocol.isEmpty() ? QStringLiteral("no idle protocol") : idleProtocol);
    if (!hasSeat)
        parts << QStringLiteral("no seat");
    return parts.join(QStringLiteral(", "));
}

QString WaylandOffer::missing() const
{
    QStringList parts;
    if (toplevelProtocol.isEmpty())
        parts << QStringLiteral("the foreground window (%1)").arg(QLatin1String(kToplevelManager));
    if (idleProtocol.isEmpty())
        parts << QStringLiteral("input activity (%1 or %2)").arg(QLatin1String(kExtIdle), QLatin1String(kKdeIdle));
    if (!hasSeat)
        parts << QStringLiteral("a seat (wl_seat)");
    const QString last = parts.isEmpty() ? QString() : parts.takeLast();
    return parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString WaylandOffer::missingProtocols() const
{
    QStringList parts;
    if (toplevelProtocol.isEmpty())
        parts << QLatin1String(kToplevelManager);
    if (idleProtocol.isEmpty())
        parts << QStringLiteral("%1 / %2").arg(QLatin1String(kExtIdle), QLatin1String(kKdeIdle));
    if (!hasSeat)
        parts << QStringLiteral("wl_seat");
    return parts.join(QStringLiteral(", "));
}

std::unique_ptr<Connection> Connection::open(const QString& displayName, WaylandOffer& offer, QString& error)
{
    static const bool handlerSet = [] {
        wl_log_set_handler_client(logFromLibrary);
        return true;
    }();
    (void)handlerSet;

    auto connection = std::make_unique<Connection>();
    const QByteArray name = displayName.toLocal8Bit();
    connection->display = wl_display_connect(name.isEmpty() ? nullptr : name.constData());
    if (!connection->display) {
        error = QStringLiteral("cannot connect to the Wayland display: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return nullptr;
    }
    connection->registry = wl_display_get_registry(connection->display);
    wl_registry_add_listener(connection->registry, &kRegistryListener, connection.get());
    if (!connection->roundtrip(kRoundtripTimeoutMs)) {
        error = QStringLiteral("the Wayland compositor did not list its globals in time");
        return nullptr;
    }
    connection->bindGlobals(offer);
    // The toplevels that exist already, and the first idle state, arrive with this one.
    if (!connection->roundtrip(kRoundtripTimeoutMs)) {
        error = QStringLiteral("the Wayland compositor did not answer in time");
        return nullptr;
    }
    return connection;
}

bool Connection::roundtrip(int timeoutMs)
{
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = wl_display_get_fd(display);
    while (!done) {
        if (wl_display_dispatch_pending(display) < 0)
            break;
        if (done)
            break;
        if (wl_display_flush(display) < 0 && errno != EAGAIN)
            break;
        if (wl_display_prepare_read(display) != 0)
            continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd readable {fd, POLLIN, 0};
        const int ready = left > 0 ? poll(&readable, 1, static_cast<int>(left)) : 0;
        if (ready <= 0) {
            wl_display_cancel_read(display);
            if (ready < 0 && errno == EINTR)
                continue;
            break;
        }
        if (wl_display_read_events(display) < 0)
            break;
    }
    wl_callback_destroy(callback);
    return done;
}

void Connection::bindGlobals(WaylandOffer& offer)
{
    const auto find = [this](const char* interface) -> const Global* {
        const auto it = globals.find(interface);
        return it == globals.end() ? nullptr : &it->second;
    };
    if (const Global* global = find("wl_seat")) {
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, global->name, &wl_seat_interface, 1));
        offer.hasSeat = true;
    }
    if (const Global* global = find(kToplevelManager)) {
        manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry, global->name, &zwlr_foreign_toplevel_manager_v1_interface, std::min<uint32_t>(global->version, 3)));
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, this);
        offer.toplevelProtocol = QLatin1String(kToplevelManager);
    }
    // The newer protocol first; KWin offers both, sway 1.7 only the older one.
    if (const Global* global = find(kExtIdle); global && seat) {
        extIdle = static_cast<ext_idle_notifier_v1*>(wl_registry_bind(registry, global->name, &ext_idle_notifier_v1_interface, 1));
        extNotification = ext_idle_notifier_v1_get_idle_notification(extIdle, kIdleTimeoutMs, seat);
        ext_idle_notification_v1_add_listener(extNotification, &kExtIdleListener, this);
        offer.idleProtocol = QLatin1String(kExtIdle);
    } else if (const Global* global = find(kKdeIdle); global && seat) {
        kdeIdle = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, global->name, &org_kde_kwin_idle_interface, 1));
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, kIdleTimeoutMs);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &kKdeIdleListener, this);
        offer.idleProtocol = QLatin1String(kKdeIdle);
    }
}

void Connection::forget(Toplevel* toplevel)
{
    if (active == toplevel) {
        active = nullptr;
        toplevelChanged = true;
    }
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    for (auto it = toplevels.begin(); it != toplevels.end(); ++it) {
        if (it->get() == toplevel) {
            toplevels.erase(it);
            break;
        }
    }
}

void Connection::close()
{
    if (!display)
        return;
    active = nullptr;
    for (const auto& toplevel : toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    toplevels.clear();
    if (manager)
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
    if (extNotification)
        ext_idle_notification_v1_destroy(extNotification);
    if (extIdle)
        ext_idle_notifier_v1_destroy(extIdle);
    if (kdeTimeout)
        org_kde_kwin_idle_timeout_release(kdeTimeout);
    if (kdeIdle)
        org_kde_kwin_idle_destroy(kdeIdle);
    if (seat)
        wl_seat_destroy(seat);
    if (registry)
        wl_registry_destroy(registry);
    wl_display_flush(display);
    wl_display_disconnect(display);
    display = nullptr;
}

WaylandToplevel Connection::snapshot() const
{
    WaylandToplevel out;
    if (active) {
        out.found = true;
        out.appId = active->appId;
        out.title = WindowTitleText::bounded(active->title);
    }
    return out;
}

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
            const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity).count();
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
