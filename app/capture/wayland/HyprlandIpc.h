#pragma once

#include <QByteArray>
#include <QString>

// Asks a Hyprland compositor over its request socket which window is active, for the
// process behind it: the toplevel protocol does not tell it.
class HyprlandIpc
{
public:
    struct ActiveWindow {
        qint64 pid = 0;
        // What the toplevel protocol calls the app_id (the X class for XWayland windows).
        QString windowClass;
        QString initialClass;
        QString title;
        bool found = false;
    };

    // The request socket of the session's instance (HYPRLAND_INSTANCE_SIGNATURE): under
    // XDG_RUNTIME_DIR, or under /tmp where an older Hyprland keeps it. Empty outside such a
    // session.
    static QString socketPath();

    // One "j/activewindow" request; every step is bounded by timeoutMs.
    static ActiveWindow activeWindow(const QString& socketPath, int timeoutMs = 500);

    // The window of an activewindow answer; not found for "{}" (nothing has the focus).
    static ActiveWindow parse(const QByteArray& reply);

private:
    HyprlandIpc() = delete;
};
