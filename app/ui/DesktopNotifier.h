#pragma once

#include "BalloonNotice.h"

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class BalloonProcess;
class TrayMenu;

// Shows a notice through the desktop's notification service (org.freedesktop.Notifications
// on the session bus) where one runs, so it looks like every other notice on that desktop;
// otherwise as a balloon at the tray icon, drawn by a helper process on X11 (BalloonProcess).
// Nothing here waits for the bus: a desktop whose bus hangs must not freeze the tray.
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
    // The tray's own balloon points at the icon, so it waits until the tray has taken the
    // icon in and knows its place; where that stays unknown, it goes to the tray's edge.
    void showInTray(const BalloonNotice& notice, int waitedMsecs = 0);
    // The toolkit's balloon, drawn in this process: where there is no helper, and beyond
    // X11, where the toolkit hands notices to the desktop.
    void showToolkitBalloon(const BalloonNotice& notice, bool placed);
    void moveBalloonToTrayEdge();

    TrayMenu* _tray;
    BalloonProcess* _balloons;
};
