#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// How a second start reaches the running program. On a desktop without any tray (GNOME
// without an extension for it) the program's menu has no icon to open it from; starting
// the program again from the application menu then shows the menu at the pointer. The
// channel is a local socket beside the instance lock, so it has the lock's scope: one
// per user and application name.
class InstanceChannel : public QObject
{
    Q_OBJECT
public:
    explicit InstanceChannel(QObject* parent = nullptr);

    // The running instance only, once it holds the instance lock: a socket left by an
    // instance that crashed is replaced.
    bool listen();
    // From a second start: asks the running instance to show its menu and waits at most
    // timeoutMs for it to confirm. False when no instance answered.
    static bool askToShowMenu(int timeoutMs = 3000);
    static QString socketPath();

signals:
    void menuRequested();

private:
    void onNewConnection();

    QLocalServer* _server;
};
