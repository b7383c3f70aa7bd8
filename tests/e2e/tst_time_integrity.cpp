#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "TestHome.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>

namespace {

qint64 secondsIn(const QList<StoredLog>& logs, const QString& appName)
{
    qint64 total = 0;
    for (const StoredLog& log : logs)
        total += log.appName == appName ? log.seconds() : 0;
    return total;
}

qint64 totalSeconds(const QList<StoredLog>& logs)
{
    qint64 total = 0;
    for (const StoredLog& log : logs)
        total += log.seconds();
    return total;
}

// A home with a signed-in user, so the program opens no login window that would take the
// focus from the test's windows; the service is unreachable, so nothing is uploaded.
std::unique_ptr<LarkspanHome> signedInHome()
{
    auto home = std::make_unique<LarkspanHome>();
    UserInfo user;
    user.setCvUserId(QStringLiteral("e2e-user"));
    user.setRefreshToken(QStringLiteral("e2e-refresh-token-never-exchanged"));
    home->storeUserInfo(user.toJson());
    return home;
}

std::unique_ptr<QProcess> startOffline(const LarkspanHome& home, const QStringList& launcher = {},
                                       const QStringList& extraEnv = {})
{
    return home.start(QStringList {QStringLiteral("LARKSPAN_SERVER_URL=http://127.0.0.1:9"),
                                   QStringLiteral("LARKSPAN_INGRESS_URL=http://127.0.0.1:9")}
                          + extraEnv,
                      QString(), QString(), launcher);
}

QString describe(const QList<StoredLog>& logs)
{
    QStringList lines;
    for (const StoredLog& log : logs)
        lines << QStringLiteral("%1 %2..%3")
                     .arg(log.appName, log.start.toString(Qt::ISODate), log.end.toString(Qt::ISODate));
    return lines.join(QLatin1Char('\n'));
}

} // namespace

// The time the program stores is the time the user worked, whatever happens around it:
// restarts and crashes, the X display going away, a machine without a network card, a
// data folder that fills up.
class TestTimeIntegrity : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFile::exists(buildBin(QStringLiteral("x11_test_window"))))
            QFAIL("x11_test_window is not built");
    }

    // Quit in one window, stay away, crash in the other, stay away, work there again: the
    // second window is credited with the time worked in it, not with the time the program
    // was not running.
    void restartsAndCrashesCreditNoDowntime()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        const DesktopWindow one = showWindow(QStringLiteral("larkspan-e2e-one"), QStringLiteral("Window ONE"), bin);
        const DesktopWindow two = showWindow(QStringLiteral("larkspan-e2e-two"), QStringLiteral("Window TWO"), bin);
        const auto signedIn = signedInHome();
        const LarkspanHome& home = *signedIn;

        // Samples come at most every 3 seconds, the first 3 seconds after start: 9 seconds
        // of work make a log of 3 to 6 seconds.
        qint64 ranMs = 0;
        QVERIFY(run(home, x, one, 9, SIGTERM, ranMs));
        QTest::qWait(12000);
        QVERIFY(run(home, x, two, 9, SIGKILL, ranMs));
        QTest::qWait(12000);
        QVERIFY(run(home, x, two, 9, SIGTERM, ranMs));

        const QList<StoredLog> logs = storedTimeLogs(home);
        QVERIFY2(secondsIn(logs, QStringLiteral("larkspan-e2e-one")) > 0, qPrintable(describe(logs)));
        // What the crash took is the unbuilt minute of its run; the last run's work remains.
        const qint64 inTwo = secondsIn(logs, QStringLiteral("larkspan-e2e-two"));
        QVERIFY2(inTwo > 0 && inTwo <= 9 + 10, qPrintable(describe(logs)));
        QVERIFY2(totalSeconds(logs) * 1000 <= ranMs,
                 qPrintable(describe(logs) + QStringLiteral("\nran ms: %1").arg(ranMs)));
    }

    // The program is stopped for 40 s while the user works in one window, as a machine's
    // sleep stops it: that time is credited to nobody, well under the idle threshold, and
    // the work on either side of it is.
    void stoppedProgramCreditsNothing()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        const DesktopWindow one = showWindow(QStringLiteral("larkspan-e2e-one"), QStringLiteral("Window ONE"), bin);
        const auto signedIn = signedInHome();
        LarkspanHome& home = *signedIn;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        QElapsedTimer running;
        running.start();
        auto program = startOffline(home);
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const auto pid = static_cast<pid_t>(program->processId());
        const auto resume = qScopeGuard([pid] { ::kill(pid, SIGCONT); });

        work(x, one, 12);
        const QDateTime stopped = QDateTime::currentDateTimeUtc();
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        QTest::qWait(40000);
        const QDateTime continued = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
        QCOMPARE(::kill(pid, SIGCONT), 0);
        work(x, one, 12);
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        const qint64 ranMs = running.elapsed();

        const QList<StoredLog> logs = storedTimeLogs(home);
        const QString report = describe(logs)
            + QStringLiteral("\nstopped %1, continued %2\n")
                  .arg(stopped.toString(Qt::ISODate), continued.toString(Qt::ISODate))
            + home.readLog().right(3000);
        qint64 before = 0;
        qint64 after = 0;
        for (const StoredLog& log : logs) {
            QVERIFY2(!(log.start < continued && log.end > stopped), qPrintable(report));
            if (log.appName == QLatin1String("larkspan-e2e-one"))
                (log.end <= stopped ? before : after) += log.seconds();
        }
        QVERIFY2(before >= 3 && after >= 3, qPrintable(report));
        QVERIFY2(totalSeconds(logs) * 1000 <= ranMs - 40000, qPrintable(report));
    }

    // The X server goes away without a signal (the session ended): the toolkit ends the
    // process, but what was tracked is stored first, and the log says so, so a user who
    // sends it later shows what happened.
    void displayLossStoresTheLastMinute()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        const DesktopWindow window =
            showWindow(QStringLiteral("larkspan-e2e-lost"), QStringLiteral("Until the end"), bin);
        const auto signedIn = signedInHome();
        LarkspanHome& home = *signedIn;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        // On the X11 platform, as on a desktop: the toolkit's own connection is the one
        // that breaks (tests otherwise run the program offscreen).
        auto program = startOffline(home, {}, {QStringLiteral("QT_QPA_PLATFORM=xcb")});
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        work(x, window, 9);
        x.killServer();
        QVERIFY2(program->waitForFinished(5000), qPrintable(home.readLog().right(3000)));
        const QList<StoredLog> logs = storedTimeLogs(home);
        QVERIFY2(secondsIn(logs, QStringLiteral("larkspan-e2e-lost")) >= 3, qPrintable(describe(logs)));

        // Written on the thread that is inside the toolkit's message handler.
        const QString log = home.readLog();
        for (const char* line :
             {"DisplayLossGuard - the X display is gone and the toolkit is about to end the program",
              "Shutdown: stopping EventManager...", "DisplayLossGuard - threads stopped, tracked time stored."})
            QVERIFY2(log.contains(QLatin1String(line)),
                     qPrintable(QLatin1String(line) + QLatin1Char('\n') + log.right(3000)));
    }

    // Only a loopback interface, as in a container: no hardware address, yet every log is
    // stored, all with one generated machine identifier.
    void machineWithoutNetworkCardStoresLogs()
    {
        if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("true")}) != 0)
            QSKIP("network namespaces are not available here (they need root or user namespaces)");
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        const DesktopWindow window =
            showWindow(QStringLiteral("larkspan-e2e-offline"), QStringLiteral("No network"), bin);
        const auto signedIn = signedInHome();
        const LarkspanHome& home = *signedIn;
        auto program = startOffline(home, {QStringLiteral("unshare"), QStringLiteral("-n")});
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        work(x, window, 9);
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        QCOMPARE(program->exitCode(), 0);

        const QString machine = home.setting(QStringLiteral("macAddress")).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-F]{2}(:[0-9A-F]{2}){5}$")).match(machine).hasMatch(),
                 qPrintable(machine));
        const QList<StoredLog> logs = storedTimeLogs(home);
        QVERIFY2(secondsIn(logs, QStringLiteral("larkspan-e2e-offline")) >= 3, qPrintable(describe(logs)));
        for (const StoredLog& log : logs)
            QCOMPARE(log.machine, machine);
    }

    // The data folder fills up while the user works and frees again: the build that could
    // not store keeps its events, and nothing of that period is missing afterwards.
    void fullDataFolderLosesNothing()
    {
        const auto signedIn = signedInHome();
        const LarkspanHome& home = *signedIn;
        QVERIFY(QDir().mkpath(home.dataDir()));
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=2m,mode=0700"), QStringLiteral("tmpfs"), home.dataDir()})
            != 0)
            QSKIP("cannot mount a small file system for the data folder (needs root)");
        const auto unmount = qScopeGuard([&home] {
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), home.dataDir()});
        });
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QTemporaryDir bin;
        const DesktopWindow window = showWindow(QStringLiteral("larkspan-e2e-full"), QStringLiteral("Full disk"), bin);
        QElapsedTimer running;
        running.start();
        auto program = startOffline(home);
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        QTRY_VERIFY(QFile::exists(home.dataDir() + QStringLiteral("/larkspan.db")));

        QFile filler(home.dataDir() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(64 * 1024, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {}
        filler.close();

        // The first periodic build comes a minute after start and finds the disk full.
        QElapsedTimer working;
        working.start();
        work(x, window, 0);
        for (int step = 0; running.elapsed() < 68000; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(1000);
        }
        QCOMPARE(program->state(), QProcess::Running);
        QVERIFY2(secondsIn(storedTimeLogs(home), QStringLiteral("larkspan-e2e-full")) == 0,
                 "a build stored a log on the full disk");

        QVERIFY(filler.remove());
        work(x, window, 5);
        const qint64 workedSecs = working.elapsed() / 1000;
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        const QList<StoredLog> logs = storedTimeLogs(home);
        QVERIFY2(secondsIn(logs, QStringLiteral("larkspan-e2e-full")) >= workedSecs - 8,
                 qPrintable(describe(logs) + QStringLiteral("\nworked s: %1\n").arg(workedSecs)
                            + home.readLog().right(4000)));
    }

private:
    // Works in a window for a number of seconds; the pointer goes there first, since a
    // click elsewhere would activate another window.
    static void work(const XvfbSession& x, const DesktopWindow& window, int seconds)
    {
        x.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window.id, QStringLiteral("20"),
                   QStringLiteral("20")});
        x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window.id});
        for (int step = 0; step < seconds; ++step) {
            actLikeAUser(x, step);
            QTest::qWait(1000);
        }
    }

    // One run of the program that works in a window and ends by the given signal; adds
    // how long the program ran.
    static bool run(const LarkspanHome& home, const XvfbSession& x, const DesktopWindow& window, int seconds,
                    int endSignal, qint64& ranMs)
    {
        const QString previousStart = home.setting(QStringLiteral("appStartTime")).toString();
        QElapsedTimer timer;
        timer.start();
        auto program = startOffline(home);
        QElapsedTimer waiting;
        waiting.start();
        while (home.setting(QStringLiteral("appStartTime")).toString() == previousStart) {
            if (waiting.elapsed() > 30000)
                return false;
            QTest::qWait(50);
        }
        work(x, window, seconds);
        const bool ended = stopWithSignal(*program, endSignal) >= 0;
        ranMs += timer.elapsed();
        return ended;
    }
};

LARKSPAN_TEST_MAIN(TestTimeIntegrity, QCoreApplication)
#include "tst_time_integrity.moc"
