#pragma once

#include "UserInfo.h"

#include <QDateTime>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class DevServerProcess;
class LarkspanHome;
class XvfbSession;

// A program from the build's bin folder.
QString buildBin(const QString& name);

// A test window that is killed when it goes out of scope.
struct KilledOnExit {
    void operator()(QProcess* process) const;
};
using WindowProcess = std::unique_ptr<QProcess, KilledOnExit>;

struct DesktopWindow {
    WindowProcess process;
    QString id; // the X window id, for xdotool
};

// Starts the test window under its own executable name, so the program sees that name.
DesktopWindow showWindow(const QString& exeName, const QString& title, QTemporaryDir& dir);

// What a user does: keys, clicks and relative moves (a plain warp makes no raw event).
void actLikeAUser(const XvfbSession& x, int step);

// One row of the program's time-log table.
struct StoredLog {
    QDateTime start;
    QDateTime end;
    QString appName;
    QString title;
    QString machine;
    qint64 seconds() const { return start.secsTo(end); }
};

// The time logs in the program's database file, oldest first; empty when there is none.
QList<StoredLog> storedTimeLogs(const LarkspanHome& home);

// A user logged in on the server, with a fresh access token, as the program stores it
// under "userInfoJson".
UserInfo loggedInUser(const DevServerProcess& server, const QString& user);
QString loggedInUserJson(const DevServerProcess& server, const QString& user);
