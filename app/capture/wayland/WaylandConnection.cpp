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

const char* const kToplevelManager = "zwlr_foreign_toplevel_manager_v1";
const char* const kExtIdle = "ext_idle_notifier_v1";
const char* const kKdeIdle = "org_kde_kwin_idle";

// The compositor says "idle" after this long without input, so while it has not, the user
// was seen within the last second.
constexpr uint32_t kIdleTimeoutMs = 1000;
// Each answer the compositor owes at connection must come within this time.
constexpr int kRoundtripTimeoutMs = 5000;

// libwayland's own complaints go to our log instead of standard error.
void logFromLibrary(const char* format, va_list args)
{
    char text[512];
    vsnprintf(text, sizeof(text), format, args);
    LK_WARNING().noquote() << "libwayland:" << QString::fromLocal8Bit(text).trimmed();
}

} // namespace

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

const zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {onTitle, onAppId, onOutput, onOutput,
                                                                    onState, onDone,  onClosed, onParent};

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
    if (!toplevelProtocol.isEmpty())
        parts << toplevelProtocol;
    else
        parts << (windowSource.isEmpty() ? QStringLiteral("no toplevel protocol") : windowSource);
    parts << (idleProtocol.isEmpty() ? QStringLiteral("no idle protocol") : idleProtocol);
    if (!hasSeat)
        parts << QStringLiteral("no seat");
    return parts.join(QStringLiteral(", "));
}

QString WaylandOffer::missing() const
{
    QStringList parts;
    if (!hasWindowSource() && !failedWindowSource.isEmpty())
        parts << QStringLiteral("the foreground window (Larkspan's %1 did not load)").arg(failedWindowSource);
    else if (!hasWindowSource())
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
    if (!hasWindowSource())
        parts << (failedWindowSource.isEmpty() ? QLatin1String(kToplevelManager) : failedWindowSource);
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
        error =
            QStringLiteral("cannot connect to the Wayland display: %1").arg(QString::fromLocal8Bit(strerror(errno)));
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
        manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
            wl_registry_bind(registry, global->name, &zwlr_foreign_toplevel_manager_v1_interface,
                             std::min<uint32_t>(global->version, 3)));
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, this);
        offer.toplevelProtocol = QLatin1String(kToplevelManager);
    }
    // The newer protocol first; KWin offers both, sway 1.7 only the older one.
    if (const Global* global = find(kExtIdle); global && seat) {
        extIdle = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, global->name, &ext_idle_notifier_v1_interface, 1));
        extNotification = ext_idle_notifier_v1_get_idle_notification(extIdle, kIdleTimeoutMs, seat);
        ext_idle_notification_v1_add_listener(extNotification, &kExtIdleListener, this);
        offer.idleProtocol = QLatin1String(kExtIdle);
    } else if (const Global* global = find(kKdeIdle); global && seat) {
        kdeIdle =
            static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, global->name, &org_kde_kwin_idle_interface, 1));
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
