#include "E2eDesktop.h"

#include "DevServerProcess.h"
#include "LarkspanRun.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

QString buildBin(const QString& name)
{
    return qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/bin/") + name;
}

void KilledOnExit::operator()(QProcess* process) const
{
    process->kill();
    process->waitForFinished(2000);
    delete process;
}

DesktopWindow showWindow(const QString& exeName, const QString& title, QTemporaryDir& dir)
{
    const QString exe = dir.path() + QLatin1Char('/') + exeName;
    QFile::copy(buildBin(QStringLiteral("x11_test_window")), exe);
    QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    DesktopWindow window {WindowProcess(new QProcess), QString()};
    window.process->start(exe, {QStringLiteral("--title"), title});
    window.process->waitForStarted();
    // It prints its id once mapped.
    if (window.process->waitForReadyRead(5000))
        window.id = QString::fromLatin1(window.process->readLine().trimmed());
    return window;
}

void actLikeAUser(const XvfbSession& x, int step)
{
    switch (step % 3) {
    case 0:
        x.xdotool({QStringLiteral("key"), QStringLiteral("shift")});
        break;
    case 1:
        x.xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QString::number(step % 2 ? 7 : -7),
                   QStringLiteral("3")});
        break;
    default:
        x.xdotool({QStringLiteral("click"), QStringLiteral("1")});
        break;
    }
}

QList<StoredLog> storedTimeLogs(const LarkspanHome& home)
{
    const QString path = home.dataDir() + QStringLiteral("/larkspan.db");
    if (!QFile::exists(path))
        return {};
    QList<StoredLog> logs;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("e2e-reader"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("SELECT start_time, end_time, app_name, window_title, mac_address "
                                      "FROM time_logs ORDER BY start_time, end_time"));
            while (query.next()) {
                StoredLog log;
                log.start = QDateTime::fromString(query.value(0).toString(), QStringLiteral("yyyyMMddHHmmss"));
                log.start.setTimeSpec(Qt::UTC);
                log.end = QDateTime::fromString(query.value(1).toString(), QStringLiteral("yyyyMMddHHmmss"));
                log.end.setTimeSpec(Qt::UTC);
                log.appName = query.value(2).toString();
                log.title = query.value(3).toString();
                log.machine = query.value(4).toString();
                logs << log;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("e2e-reader"));
    return logs;
}

UserInfo loggedInUser(const DevServerProcess& server, const QString& user)
{
    const QJsonObject login =
        DevServerProcess::jsonReply("POST", server.url(QStringLiteral("/dev/login?user=") + user));
    const QByteArray exchangeBody =
        QJsonDocument(QJsonObject {{QStringLiteral("refresh_token"), login.value(QStringLiteral("refreshToken"))},
                                   {QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP")}})
            .toJson(QJsonDocument::Compact);
    const QJsonObject exchange = DevServerProcess::jsonReply(
        "POST", server.url(QStringLiteral("/customer/api/v1/user/refreshidtoken")), exchangeBody);
    UserInfo info;
    info.setCvUserId(login.value(QStringLiteral("cvUserId")).toString());
    info.setRefreshToken(login.value(QStringLiteral("refreshToken")).toString());
    info.setAccessToken(exchange.value(QStringLiteral("idToken")).toString());
    info.setAccessTokenCreationMillisecs(QDateTime::currentMSecsSinceEpoch());
    info.setAccessTokenExpiriesInSecs(exchange.value(QStringLiteral("expiresInSecs")).toVariant().toLongLong());
    return info;
}

QString loggedInUserJson(const DevServerProcess& server, const QString& user)
{
    return loggedInUser(server, user).toJson();
}
