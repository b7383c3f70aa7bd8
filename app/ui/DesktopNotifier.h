#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class TrayMenu;

// Shows a notice through the desktop's notification service (org.freedesktop.Notifications
// on the session bus) where one runs, so it looks like every other notice on that desktop;
// otherwise through the tray icon, which draws a balloon of its own. Nothing here waits for
// the bus: a desktop whose bus hangs must not freeze the tray.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    DesktopNotifier(TrayMenu* tray, QObject* parent);

    // Every notice has the same weight and goes away by itself after msecs: the desktop
    // never keeps one in view, not even an error.
    void show(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message, int msecs);

    // How long the desktop may take to accept a notice before the tray shows it instead
    // (a service started on demand answers well within it).
    static constexpr int kReplyTimeoutMsecs = 5000;
    // How long a balloon waits for the tray to place the icon.
    static constexpr int kIconWaitMsecs = 3000;

private:
    struct Notice {
        QSystemTrayIcon::MessageIcon icon;
        QString title;
        QString message;
        int msecs;
    };
    // The tray's own balloon points at the icon, so it waits until the tray has taken the
    // icon in and knows its place; where that stays unknown, it goes to the tray's edge.
    void showInTray(const Notice& notice, int waitedMsecs = 0);
    void moveBalloonToTrayEdge();

    TrayMenu* _tray;
};
