#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "TestHome.h"
#include "TimeLog.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>

namespace {

// Logs a previous run left unsent, in the table layout of a version before this one: one
// minute each, yesterday, with ids that start where earlier uploads left off.
void leaveBacklog(const LarkspanHome& home, int count, int firstId)
{
    QDir().mkpath(home.dataDir());
    QFile::setPermissions(home.dataDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("backlog"));
        db.setDatabaseName(home.dataDir() + QStringLiteral("/larkspan.db"));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral(
            "CREATE TABLE time_logs (    id INTEGER PRIMARY KEY AUTOINCREMENT,     start_time VARCHAR NOT NULL,     "
            "end_time VARCHAR NOT NULL,     app_name VARCHAR NOT NULL,     window_title VARCHAR NOT NULL,     "
            "platform VARCHAR NOT NULL,     mac_address VARCHAR NOT NULL,     active_count INTEGER NOT NULL,     "
            "meta_data VARCHAR NOT NULL,     sig VARCHAR NOT NULL)")));
        db.transaction();
        const QDateTime first = QDateTime::currentDateTimeUtc().addDays(-1);
        for (int i = 0; i < count; ++i) {
            TimeLog log;
            log.setStartTime(first.addSecs(60 * i));
            log.setEndTime(first.addSecs(60 * (i + 1)));
            log.setAppName(QStringLiteral("editor"));
            log.setWindowTitle(QStringLiteral("Report %1").arg(i));
            log.setActiveCount(4);
            log.setMetaData(QStringLiteral(""));
            log.setSignature(TimeLog::buildSignature(log));
            query.prepare(QStringLiteral("INSERT INTO time_logs VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            for (const QVariant& value :
                 {QVariant(firstId + i), QVariant(log.startTimeStr()), QVariant(log.endTimeStr()),
                  QVariant(log.appName()), QVariant(log.windowTitle()), QVariant(log.platform()),
                  QVariant(log.macAddress()), QVariant(log.activeCount()), QVariant(log.metaData()),
                  QVariant(log.signature())})
                query.addBindValue(value);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("backlog"));
}

QJsonArray activitiesOf(const DevServerProcess& server, const QString& user)
{
    return DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=") + user))
        .value(QStringLiteral("activities"))
        .toArray();
}

// Every second on the server once: no span stored twice, and the seconds add up.
QString doubleCounted(const QJsonArray& activities, qint64& seconds)
{
    QSet<QString> spans;
    seconds = 0;
    for (const QJsonValue& value : activities) {
        const QJsonObject a = value.toObject();
        const QString span = a.value(QStringLiteral("start_time")).toString() + QLatin1Char('-')
            + a.value(QStringLiteral("end_time")).toString();
        if (spans.contains(span))
            return span;
        spans.insert(span);
        const auto at = [&a](const char* key) {
            QDateTime t =
                QDateTime::fromString(a.value(QLatin1String(key)).toString(), QStringLiteral("yyyyMMddHHmmss"));
            t.setTimeSpec(Qt::UTC);
            return t;
        };
        seconds += at("start_time").secsTo(at("end_time"));
    }
    return QString();
}

// The user each stored log belongs to, in time order.
QStringList storedOwners(const LarkspanHome& home)
{
    QStringList owners;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("owners"));
        db.setDatabaseName(home.dataDir() + QStringLiteral("/larkspan.db"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("SELECT user_id FROM time_logs ORDER BY start_time"));
            while (query.next())
                owners << query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("owners"));
    return owners;
}

QStringList serverEnv(const DevServerProcess& server)
{
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    return {QStringLiteral("LARKSPAN_SERVER_URL=") + base, QStringLiteral("LARKSPAN_INGRESS_URL=") + base};
}

} // namespace

// What reaches the service is what was tracked, once: through lost answers and restarts,
// and through a login the service stopped accepting.
class TestUploadIntegrity : public QObject
{
    Q_OBJECT
private slots:
    // The service stores an upload, and the program is gone before the answer arrives.
    // After the restart the same logs go up again under the same ids, and the service
    // recognises them.
    void lostAnswerIsNotCountedTwiceAfterARestart()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        const UserInfo user = loggedInUser(server, QStringLiteral("lost-answer"));
        home.storeUserInfo(user.toJson());
        leaveBacklog(home, 30, 4001);
        if (QTest::currentTestFailed())
            return;
        // Stored at once, answered 60 s later: the program is killed in between.
        DevServerProcess::jsonReply("POST", server.url(QStringLiteral("/dev/behaviour?late=activity:60000")));

        auto first = home.start(serverEnv(server));
        QTRY_COMPARE_WITH_TIMEOUT(activitiesOf(server, user.cvUserId()).size(), 30, 30000);
        QVERIFY(stopWithSignal(*first, SIGKILL) >= 0);
        QCOMPARE(storedTimeLogs(home).size(), 30);

        DevServerProcess::jsonReply("POST", server.url(QStringLiteral("/dev/behaviour?reset=1")));
        auto second = home.start(serverEnv(server));
        QTRY_VERIFY_WITH_TIMEOUT(storedTimeLogs(home).isEmpty(), 30000);
        QVERIFY(stopWithSignal(*second, SIGTERM) >= 0);

        const QJsonArray stored = activitiesOf(server, user.cvUserId());
        qint64 seconds = 0;
        const QString twice = doubleCounted(stored, seconds);
        QVERIFY2(twice.isEmpty(), qPrintable(QStringLiteral("stored twice: ") + twice));
        QCOMPARE(stored.size(), 30);
        QCOMPARE(seconds, qint64(30 * 60));
        QCOMPARE(stored.first().toObject().value(QStringLiteral("client_id")).toInt(), 4001);
    }

    // The service refuses the refresh token: the user is told, the login page opens once,
    // nothing is lost, and after the same user logs in again every log arrives once.
    void revokedLoginAsksOnceAndUploadsAfterTheNewLogin()
    {
        // On a display, where the program hands the login page to the (stand-in) browser.
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        const UserInfo user = loggedInUser(server, QStringLiteral("revoked"));
        home.storeUserInfo(user.toJson());
        leaveBacklog(home, 12, 1);
        if (QTest::currentTestFailed())
            return;
        // The password was changed elsewhere: every token the program holds is refused.
        DevServerProcess::jsonReply("POST", server.url(QStringLiteral("/dev/revoke-sessions?user=revoked")));

        auto program = home.start(
            serverEnv(server)
            + QStringList {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("LARKSPAN_E2E_LOGIN_USER=revoked")});
        // The first pass comes 5 s after the start; after the refusal the login page opens
        // and the stand-in browser logs the same user in.
        const auto storedUser = [&home] {
            return UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString());
        };
        QTRY_VERIFY_WITH_TIMEOUT(storedUser().isLoggedIn() && storedUser().refreshToken() != user.refreshToken(),
                                 40000);
        QCOMPARE(storedUser().cvUserId(), user.cvUserId());
        // The next pass, up to 90 s later, sends the backlog with the new login.
        QTRY_COMPARE_WITH_TIMEOUT(activitiesOf(server, user.cvUserId()).size(), 12, 120000);
        QTRY_VERIFY_WITH_TIMEOUT(storedTimeLogs(home).isEmpty(), 10000);
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);

        int loginPages = 0;
        for (const QString& address : home.openedAddresses())
            loginPages += address.contains(QStringLiteral("/console/?lkCuid=")) ? 1 : 0;
        QCOMPARE(loginPages, 1);
        const QString log = home.readLog();
        QCOMPARE(log.count(QStringLiteral("onLoginExpired")), 1);
        qint64 seconds = 0;
        const QJsonArray stored = activitiesOf(server, user.cvUserId());
        QVERIFY(doubleCounted(stored, seconds).isEmpty());
        QCOMPARE(seconds, qint64(12 * 60));
    }

    // demo works, then picks "Logout & Quit" while the service takes no uploads; alice logs
    // in on the next start. demo's time stays stored for demo, and none of it goes to alice.
    void loggedOutUsersTimeNeverGoesToTheNextUser()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QVERIFY(x.startTray());
        QTemporaryDir bin;
        const DesktopWindow window =
            showWindow(QStringLiteral("larkspan-e2e-demo"), QStringLiteral("demo at work"), bin);
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        home.storeUserInfo(loggedInUser(server, QStringLiteral("demo")).toJson());
        const QStringList env = serverEnv(server) + QStringList {QStringLiteral("QT_QPA_PLATFORM=xcb")};

        DevServerProcess::jsonReply("POST", server.url(QStringLiteral("/dev/behaviour?fail=activity:503")));
        auto first = home.start(env);
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        x.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window.id, QStringLiteral("20"),
                   QStringLiteral("20")});
        x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window.id});
        for (int step = 0; step < 12; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(1000);
        }
        // "Logout & Quit", the entry above "Quit Larkspan" at the foot of the tray menu.
        QTRY_VERIFY_WITH_TIMEOUT(!x.trayPanel().isNull(), 10000);
        const QPoint icon = x.trayPanel().center();
        x.xdotool({QStringLiteral("mousemove"), QString::number(icon.x()), QString::number(icon.y()),
                   QStringLiteral("click"), QStringLiteral("1")});
        QTest::qWait(700);
        x.xdotool({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Up"), QStringLiteral("Return")});
        QVERIFY2(first->waitForFinished(30000), qPrintable(home.readLog().right(3000)));
        QVERIFY(UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString()).cvUserId().isEmpty());
        const QStringList owners = storedOwners(home);
        QVERIFY2(!owners.isEmpty(), qPrintable(home.readLog().right(3000)));
        QCOMPARE(owners.count(QStringLiteral("demo")), owners.size());
        QVERIFY(activitiesOf(server, QStringLiteral("")).isEmpty());

        DevServerProcess::jsonReply("POST", server.url(QStringLiteral("/dev/behaviour?reset=1")));
        auto second = home.start(env + QStringList {QStringLiteral("LARKSPAN_E2E_LOGIN_USER=alice")});
        const auto storedUser = [&home] {
            return UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString());
        };
        QTRY_VERIFY_WITH_TIMEOUT(storedUser().isLoggedIn(), 30000);
        QCOMPARE(storedUser().cvUserId(), QStringLiteral("alice"));
        // The first pass, 5 s after the start, has come and gone.
        QTRY_VERIFY_WITH_TIMEOUT(DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/stats")))
                                         .value(QStringLiteral("requests"))
                                         .toObject()
                                         .value(QStringLiteral("refreshidtoken"))
                                         .toInt()
                                     >= 2,
                                 20000);
        QTest::qWait(8000);
        QVERIFY(stopWithSignal(*second, SIGTERM) >= 0);
        QVERIFY(activitiesOf(server, QStringLiteral("alice")).isEmpty());
        QCOMPARE(storedOwners(home).mid(0, owners.size()), owners);
    }
};

LARKSPAN_TEST_MAIN(TestUploadIntegrity, QCoreApplication)
#include "tst_upload_integrity.moc"
