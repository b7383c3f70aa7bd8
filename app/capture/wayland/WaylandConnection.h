#pragma once

#include "WaylandSession.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;

// The Wayland objects of one connection; lives on the session's thread once started.
struct WaylandSession::Connection {
    struct Toplevel {
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

    struct Global {
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
