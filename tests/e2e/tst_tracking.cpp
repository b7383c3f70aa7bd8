#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "TestHome.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

#include <csignal>

namespace {

const QString kTitle = QString::fromUtf8("Larkspan e2e — Café 東京 🚀 שלום");

// The time logs in the program's database file, as "app|title" lines.
QStringList storedLogs(const LarkspanHome& home)
{
    QStringList rows;
    for (const StoredLog& log : storedTimeLogs(home))
        rows << log.appName + QLatin1Char('|') + log.title;
    return rows;
}

// Still running: a process that ended but was not yet reaped counts as ended.
bool isAlive(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("State:"))
            return !line.contains("zombie");
    return false;
}

} // namespace

// The real program on a private X server with a window manager: it tracks what the user
// does in a real window, honours a stored pause and quits cleanly under input.
class TestTracking : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFile::exists(buildBin(QStringLiteral("x11_test_window"))))
            QFAIL("x11_test_window is not built");
    }

    void inputInARealWindowBecomesATimeLog()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        auto window = showWindow(QStringLiteral("larkspan-e2e-editor"), kTitle, bin);

        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        auto program = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));

        // The periodic build runs a minute after start; give it 75 seconds of activity.
        const QString expected = QStringLiteral("larkspan-e2e-editor|") + kTitle;
        QElapsedTimer timer;
        timer.start();
        bool found = false;
        for (int step = 0; !found && timer.elapsed() < 75000; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(1000);
            found = step % 5 == 4 && storedLogs(home).contains(expected);
        }
        QVERIFY2(found, qPrintable(storedLogs(home).join(QLatin1Char('\n'))));
        QCOMPARE(program->state(), QProcess::Running);
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        QCOMPARE(program->exitCode(), 0);
        QVERIFY(home.readLog().contains(QLatin1String("EventManager has been terminated.")));
    }

    void trackedTimeReachesTheService()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        const QString serverEnv = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        const QStringList env {QStringLiteral("LARKSPAN_SERVER_URL=") + serverEnv,
                               QStringLiteral("LARKSPAN_INGRESS_URL=") + serverEnv};
        QTemporaryDir bin;
        auto window = showWindow(QStringLiteral("larkspan-e2e-upload"), kTitle, bin);

        LarkspanHome home;
        // First run, offline (the service is not known yet): a few seconds of work, then
        // quit. The quit builds what was tracked into the database file.
        auto offline = home.start({QStringLiteral("LARKSPAN_SERVER_URL=http://127.0.0.1:9"),
                                   QStringLiteral("LARKSPAN_INGRESS_URL=http://127.0.0.1:9")});
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        for (int step = 0; step < 9; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(1000);
        }
        QVERIFY(stopWithSignal(*offline, SIGTERM) >= 0);
        const QString expected = QStringLiteral("larkspan-e2e-upload|") + kTitle;
        QVERIFY2(storedLogs(home).contains(expected), qPrintable(storedLogs(home).join(QLatin1Char('\n'))));

        // Second run with a logged-in user: the carried-over logs go up at the first pass.
        // Everything is logged, so the lines that name tokens are written.
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        home.storeUserInfo(loggedInUserJson(server, QStringLiteral("e2e-user")));
        auto online = home.start(env);
        QList<QJsonObject> uploaded;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            uploaded.clear();
            const QJsonArray list =
                DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=e2e-user")))
                    .value(QStringLiteral("activities"))
                    .toArray();
            for (const QJsonValue& value : list)
                uploaded << value.toObject();
            if (!uploaded.isEmpty() && storedLogs(home).isEmpty())
                break;
            QTest::qWait(500);
        }
        bool found = false;
        for (const QJsonObject& activity : uploaded) {
            found = found
                || (activity.value(QStringLiteral("app_name")).toString() == QLatin1String("larkspan-e2e-upload")
                    && activity.value(QStringLiteral("activity_description")).toString() == kTitle);
        }
        QVERIFY2(found, qPrintable(QString::number(uploaded.size())));
        QCOMPARE(storedLogs(home), QStringList());
        QVERIFY(stopWithSignal(*online, SIGTERM) >= 0);
        QCOMPARE(online->exitCode(), 0);
        // Tokens never reach the log file whole.
        const UserInfo user = UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString());
        QVERIFY(!user.refreshToken().isEmpty());
        QVERIFY(home.readLog().contains(QLatin1String("TimeLogUploader: loading time logs for update... for user: ")));
        QVERIFY(!home.readLog().contains(user.refreshToken()));
        QVERIFY(!home.readLog().contains(user.accessToken()));
    }

    void aStoredPauseLeavesNoLog()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        auto window = showWindow(QStringLiteral("larkspan-e2e-paused"), kTitle, bin);

        LarkspanHome home;
        {
            QDir().mkpath(home.configDir());
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("pauseIndefinitely"), true);
        }
        auto program = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        // The stored pause takes hold within the first passes; act for a while after that.
        for (int step = 0; step < 16; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(1000);
        }
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        QCOMPARE(program->exitCode(), 0);
        for (const QString& row : storedLogs(home))
            QVERIFY2(!row.startsWith(QLatin1String("larkspan-e2e-paused|")), qPrintable(row));
        QCOMPARE(home.setting(QStringLiteral("pauseIndefinitely")).toBool(), true);
    }

    void quitsCleanlyUnderInputWithAHungSubjectReader()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        auto window = showWindow(QStringLiteral("OUTLOOK.EXE"), QStringLiteral("Inbox - Mail"), bin);
        const QString reader = bin.path() + QStringLiteral("/lkwin32.exe");
        QFile script(reader);
        QVERIFY(script.open(QIODevice::WriteOnly));
        // Each reader started notes its process id, so the test knows every one of them.
        const QString pids = bin.path() + QStringLiteral("/readers");
        script.write("#!/bin/sh\necho $$ >> '" + pids.toUtf8() + "'\nexec sleep 600\n");
        script.close();
        QFile::setPermissions(reader, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true); // the threads' last words
        auto program = home.start({QStringLiteral("LARKSPAN_SUBJECT_READER=") + reader});
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        // Input until an Outlook sample has reached the hanging reader.
        QElapsedTimer timer;
        timer.start();
        for (int step = 0; !QFile::exists(pids) && timer.elapsed() < 60000; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(300);
        }
        QVERIFY2(QFile::exists(pids), "no sample reached the subject reader");
        // Keep typing while the quit arrives.
        QProcess typist;
        typist.start(QStringLiteral("xdotool"),
                     {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                      QStringLiteral("the quick brown fox jumps over the lazy dog")});
        QVERIFY(typist.waitForStarted());
        const qint64 ms = stopWithSignal(*program, SIGTERM);
        typist.waitForFinished(5000);
        QVERIFY2(ms >= 0, "no quit within 30 seconds");
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
        // The detector's thread ended by itself, within the 3 seconds the program waits for it.
        QVERIFY2(home.readLog().contains(QLatin1String("OutlookSubjectDetector has been terminated.")),
                 qPrintable(home.readLog().right(3000)));
        QVERIFY(!home.readLog().contains(QLatin1String("OutlookSubjectDetector did not stop within 3 s")));
        // No reader was left behind.
        QFile started(pids);
        QVERIFY(started.open(QIODevice::ReadOnly));
        for (const QByteArray& pid : started.readAll().split('\n')) {
            if (!pid.isEmpty())
                QTRY_VERIFY_WITH_TIMEOUT(!isAlive(pid.toLongLong()), 10000);
        }
    }
};

LARKSPAN_TEST_MAIN(TestTracking, QCoreApplication)
#include "tst_tracking.moc"
