#pragma once

#include <QByteArray>
#include <QString>

// Asks a sway (or i3-compatible) compositor over its IPC socket which window has the
// focus, for the process behind it: the toplevel protocol does not tell it.
class SwayIpc
{
public:
    struct FocusedWindow {
        qint64 pid = 0;
        QString appId; // native Wayland windows
        QString windowClass; // XWayland windows
        QString name; // the title
        bool found = false;
    };

    // The socket the session names (SWAYSOCK, else I3SOCK); empty outside such a session.
    static QString socketPath();

    // One get_tree request; every step is bounded by timeoutMs, so a hung compositor costs
    // a sample, never the capture thread.
    static FocusedWindow focusedWindow(const QString& socketPath, int timeoutMs = 500);

    // The focused node of a get_tree answer.
    static FocusedWindow focusedIn(const QByteArray& treeJson);

private:
    SwayIpc() = delete;
};
