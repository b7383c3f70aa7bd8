#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

// Shows a balloon through the desktop's notification service (org.freedesktop.Notifications
// on the session bus) where one runs, so it looks like every other notice on that desktop;
// otherwise through the tray icon, which draws a balloon of its own.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    DesktopNotifier(QSystemTrayIcon* trayIcon, QObject* parent);

    static bool isServiceAvailable();
    void show(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message, int msecs);

private:
    QSystemTrayIcon* _trayIcon;
};
