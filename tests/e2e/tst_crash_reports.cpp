#include "DevServerProcess.h"
#include "LarkspanRun.h"
#include "TestHome.h"
#include "TimeLog.h"
#include "TimeLogDao.h"
#include "XvfbSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QStringList kAnnotations {"token",    "format",       "lkVersion",     "cvUserId",
                                "buildAbi", "buildCpuArch", "currentOsName", "currentCpuArch"};

QJsonArray crashesAt(const DevServerProcess& server)
{
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(server.url(QStringLiteral("/dev/crashes"))));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonArray list =
        QJsonDocument::fromJson(reply->readAll()).object().value(QStringLiteral("crashes")).toArray();
    delete reply;
    return list;
}

// The reports the collector holds once it holds at least one, or none after timeoutMs.
QJsonArray waitForCrashes(const DevServerProcess& server, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    QJsonArray list;
    while (list.isEmpty() && timer.elapsed() < timeoutMs) {
        list = crashesAt(server);
        if (list.isEmpty())
            QTest::qWait(200);
    }
    return list;
}

QString crashDb(const LarkspanHome& home)
{
    return home.dataDir() + QStringLiteral("/crash_db");
}

QStringList pendingFiles(const LarkspanHome& home)
{
    return QDir(crashDb(home) + QStringLiteral("/pending")).entryList(QDir::Files);
}

QStringList env(const QString& crashUrl, const QString& trigger = QString())
{
    QStringList list {QStringLiteral("LARKSPAN_CRASH_URL=") + crashUrl,
                      // Nothing else of the service is needed here.
                      QStringLiteral("LARKSPAN_SERVER_URL=http://127.0.0.1:9"),
                      QStringLiteral("LARKSPAN_INGRESS_URL=http://127.0.0.1:9")};
    if (!trigger.isEmpty())
        list << QStringLiteral("LARKSPAN_TEST_CRASH=") + trigger;
    return list;
}

// A child process of the program by name (as /proc shows it, cut to 15 characters).
qint64 childPid(qint64 programPid, const QByteArray& name = "crashpad_handle")
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(programPid));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& pid : children.readAll().split(' ')) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return pid.toLongLong();
    }
    return 0;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Time logs written the way the program writes them, before it runs.
void seedTimeLogs(const LarkspanHome& home, int count)
{
    QDir().mkpath(home.dataDir());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        db.setDatabaseName(home.dataDir() + QStringLiteral("/larkspan.db"));
        QVERIFY(db.open());
        TimeLogDao dao(db);
        dao.init();
        const QDateTime first(QDate(2024, 3, 1), QTime(9, 0), Qt::UTC);
        for (int i = 0; i < count; ++i) {
            TimeLog log;
            log.setStartTime(first.addSecs(60 * i));
            log.setEndTime(first.addSecs(60 * i + 59));
            log.setAppName(QStringLiteral("seeded-editor"));
            log.setWindowTitle(QStringLiteral("Report %1").arg(i));
            log.setPlatform(QStringLiteral("Debian GNU/Linux 12"));
            log.setMacAddress(QStringLiteral("00:11:22:33:44:55"));
            log.setActiveCount(2);
            dao.addTimeLog(log);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
}

// integrity_check's answer and the number of seeded logs, read as another process would.
QPair<QString, int> inspectDatabase(const LarkspanHome& home)
{
    QPair<QString, int> result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("inspect"));
        db.setDatabaseName(home.dataDir() + QStringLiteral("/larkspan.db"));
        if (db.open()) {
            QSqlQuery check(QStringLiteral("PRAGMA integrity_check"), db);
            result.first = check.next() ? check.value(0).toString() : QStringLiteral("no answer");
            QSqlQuery count(QStringLiteral("SELECT COUNT(*) FROM time_logs WHERE app_name = 'seeded-editor'"), db);
            result.second = count.next() ? count.value(0).toInt() : -1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("inspect"));
    return result;
}

} // namespace

// The real program crashes, in a worker thread by the test trigger or by a signal from
// outside, and the collector of the reference server receives a report a developer can use.
class TestCrashReports : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<XvfbSession> _x;

    // Runs the program until it crashes; checks it died by the expected signal and returns
    // the one report the collector received.
    QJsonObject crashAndCollect(LarkspanHome& home, const DevServerProcess& server, const QString& trigger,
                                int signalNumber)
    {
        auto program = home.start(env(server.crashUrl(), trigger));
        if (!program->waitForFinished(20000)) {
            program->kill();
            return QJsonObject {{QStringLiteral("error"), QStringLiteral("did not crash")}};
        }
        if (program->exitStatus() != QProcess::CrashExit || program->exitCode() != signalNumber)
            return QJsonObject {
                {QStringLiteral("error"),
                 QStringLiteral("ended with status %1, code %2").arg(program->exitStatus()).arg(program->exitCode())}};
        const QJsonArray crashes = waitForCrashes(server, 10000);
        if (crashes.size() != 1)
            return QJsonObject {{QStringLiteral("error"), QStringLiteral("%1 reports").arg(crashes.size())}};
        return crashes.first().toObject();
    }

    static void verifyAnnotations(const QJsonObject& fields, const QString& userId)
    {
        QStringList keys = fields.keys();
        keys.sort();
        QStringList expected = kAnnotations;
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(fields.value(QStringLiteral("cvUserId")).toString(), userId);
        QCOMPARE(fields.value(QStringLiteral("format")).toString(), QStringLiteral("minidump"));
        QVERIFY(QRegularExpression(QStringLiteral("^2\\.8\\.\\d+$"))
                    .match(fields.value(QStringLiteral("lkVersion")).toString())
                    .hasMatch());
        QVERIFY(!fields.value(QStringLiteral("currentOsName")).toString().isEmpty());
    }

private slots:
    void initTestCase()
    {
        // The crashes are on purpose; no core files.
        const rlimit noCore {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        _x = std::make_unique<XvfbSession>();
        QVERIFY2(_x->isRunning(), qPrintable(_x->errorString()));
    }

    void crashInAThreadIsReported_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QString>("thread");
        QTest::newRow("bad pointer in the uploader") << "TimeLogUploader:segv" << SIGSEGV << "TimeLogUploader";
        QTest::newRow("abort in a worker") << "StoppableThread:abort" << SIGABRT << "StoppableThread";
        QTest::newRow("failed assertion") << "TimeLogUploader:assert" << SIGABRT << "TimeLogUploader";
        QTest::newRow("divide by zero") << "TimeLogUploader:fpe" << SIGFPE << "TimeLogUploader";
        QTest::newRow("bus error in the main thread") << "Larkspan:bus" << SIGBUS << "Larkspan";
        QTest::newRow("illegal instruction") << "TimeLogUploader:ill" << SIGILL << "TimeLogUploader";
    }

    void crashInAThreadIsReported()
    {
        QFETCH(QString, trigger);
        QFETCH(int, signalNumber);
        QFETCH(QString, thread);
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;

        const QJsonObject crash = crashAndCollect(home, server, trigger, signalNumber);
        QVERIFY2(!crash.contains(QStringLiteral("error")), qPrintable(crash.value(QStringLiteral("error")).toString()));
        verifyAnnotations(crash.value(QStringLiteral("fields")).toObject(), QString());
        const QString report = crash.value(QStringLiteral("report")).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("Crashed thread: \\d+ \"%1\"").arg(thread)).match(report).hasMatch(),
                 qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("(%1)").arg(signalNumber)), qPrintable(report));
        // Our own function, named, in the crashed thread's backtrace.
        const QString backtrace =
            report.section(QStringLiteral("Backtrace of the crashed thread:"), 1).section(QStringLiteral("\n\n"), 0, 0);
        QVERIFY2(backtrace.contains(QStringLiteral("CrashTestTrigger::crashNow")), qPrintable(report));
        QVERIFY2(report.contains(QStringLiteral("/bin/Larkspan build-id ")), qPrintable(report));
        // Sent, and kept only among the completed ones.
        QTRY_COMPARE_WITH_TIMEOUT(pendingFiles(home), QStringList(), 30000);
        QCOMPARE(QDir(crashDb(home) + QStringLiteral("/completed")).entryList(QDir::Files).size(), 1);
    }

    void signalFromOutsideIsReportedWithTheUser()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;
        {
            QDir().mkpath(home.configDir());
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("userInfoJson"),
                              QStringLiteral("{\"cvUserId\":\"crash-user\",\"refreshToken\":\"r\",\"accessToken\":\"\","
                                             "\"accessTokenCreationMillisecs\":0,\"accessTokenExpiriesInSecs\":0}"));
        }
        auto program = home.start(env(server.crashUrl()));
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        // The handler only waits: it must stay small.
        QTRY_VERIFY_WITH_TIMEOUT(childPid(program->processId()) > 0, 30000);
        const qint64 handler = childPid(program->processId());
        const qint64 rss = residentKiB(handler);
        QVERIFY2(rss > 0 && rss <= 5 * 1024, qPrintable(QString::number(rss)));

        // Aimed at the main thread: a signal to the whole process goes to another thread
        // while the main one blocks signals for a moment, as glibc does while it starts a
        // thread, and the program still starts threads now and then.
        const auto pid = static_cast<pid_t>(program->processId());
        QCOMPARE(::syscall(SYS_tgkill, pid, pid, SIGSEGV), 0L);
        QVERIFY(program->waitForFinished(20000));
        QCOMPARE(program->exitStatus(), QProcess::CrashExit);
        QCOMPARE(program->exitCode(), SIGSEGV);
        const QJsonArray crashes = waitForCrashes(server, 10000);
        QCOMPARE(crashes.size(), 1);
        const QJsonObject crash = crashes.first().toObject();
        verifyAnnotations(crash.value(QStringLiteral("fields")).toObject(), QStringLiteral("crash-user"));
        const QString report = crash.value(QStringLiteral("report")).toString();
        QVERIFY2(report.contains(QStringLiteral("Sent by:        process %1").arg(QCoreApplication::applicationPid())),
                 qPrintable(report));
        QVERIFY2(QRegularExpression(QStringLiteral("in main \\+\\d+ \\(Larkspan ")).match(report).hasMatch(),
                 qPrintable(report));
    }

    void reportWaitsForTheCollectorAndTheDatabaseSurvives()
    {
        // A collector that is down: its port, with nobody listening.
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        const QString crashUrl = server.crashUrl();
        const QString crashPort = QUrl(crashUrl).port() > 0 ? QString::number(QUrl(crashUrl).port()) : QString();
        QVERIFY(!crashPort.isEmpty());
        server.stop();

        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        seedTimeLogs(home, 40);
        auto crashed = home.start(env(crashUrl, QStringLiteral("TimeLogUploader:segv")));
        QVERIFY(crashed->waitForFinished(20000));
        QCOMPARE(crashed->exitCode(), SIGSEGV);
        // Kept on disk, complete, after the handler has given up on the upload.
        QTRY_COMPARE_WITH_TIMEOUT(pendingFiles(home).size(), 2, 30000);
        QTest::qWait(1000);
        QCOMPARE(pendingFiles(home).size(), 2);
        const QPair<QString, int> db = inspectDatabase(home);
        QCOMPARE(db.first, QStringLiteral("ok"));
        QCOMPARE(db.second, 40);

        // The collector is back; the next start sends what was kept.
        QVERIFY2(server.start({QStringLiteral("--quiet"), QStringLiteral("--crash-port"), crashPort}),
                 qPrintable(server.errorString()));
        auto next = home.start(env(crashUrl));
        const QJsonArray crashes = waitForCrashes(server, 10000);
        QCOMPARE(crashes.size(), 1);
        QVERIFY(
            crashes.first().toObject().value(QStringLiteral("report")).toString().contains(QStringLiteral("SIGSEGV")));
        QTRY_COMPARE_WITH_TIMEOUT(pendingFiles(home), QStringList(), 30000);
        QCOMPARE(next->state(), QProcess::Running);

        // Quitting ends the handler too.
        const qint64 handler = childPid(next->processId());
        QVERIFY(handler > 0);
        QVERIFY(stopWithSignal(*next, SIGTERM) >= 0);
        QCOMPARE(next->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(QStringLiteral("/proc/%1/status").arg(handler)), 30000);

        // Two starts, one folder, one creation line.
        QCOMPARE(home.readLog().count(QStringLiteral("Created directory: ") + crashDb(home)), 1);
        QCOMPARE(inspectDatabase(home).second, 40);
    }

    void handlerMissingOrHung()
    {
        // The program copied into a folder of its own, with or without a handler beside it.
        QTemporaryDir bin;
        const QString program = bin.filePath(QStringLiteral("Larkspan"));
        QVERIFY(QFile::copy(qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/bin/Larkspan"), program));
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);

        QProcess missing;
        missing.setProcessEnvironment(home.environment());
        missing.start(program, QStringList());
        QVERIFY(missing.waitForFinished(10000));
        QCOMPARE(missing.exitStatus(), QProcess::CrashExit);
        QVERIFY2(home.readLog().contains(QStringLiteral("Crashpad handler not found - ")
                                         + bin.filePath(QStringLiteral("crashpad_handler"))),
                 qPrintable(home.readLog()));
        QVERIFY(!home.setting(QStringLiteral("clientUuid")).isValid());

        // A handler that never answers delays start-up by its 5-second bound, not forever.
        QFile hung(bin.filePath(QStringLiteral("crashpad_handler")));
        QVERIFY(hung.open(QIODevice::WriteOnly));
        hung.write("#!/bin/sh\nexec sleep 300\n");
        hung.close();
        hung.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QElapsedTimer timer;
        timer.start();
        QProcess slow;
        slow.setProcessEnvironment(home.environment());
        slow.start(program, QStringList());
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid"), 60000));
        QVERIFY2(timer.elapsed() < 5 * 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(home.readLog().contains(QStringLiteral("running without crash reporting")));
        QCOMPARE(childPid(slow.processId(), "sleep"), 0); // the hung one was ended
        QVERIFY(stopWithSignal(slow, SIGTERM) >= 0);
        QCOMPARE(slow.exitCode(), 0);
    }
};

LARKSPAN_TEST_MAIN(TestCrashReports, QCoreApplication)
#include "tst_crash_reports.moc"
