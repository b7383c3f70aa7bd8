#include "LarkspanRun.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

const QString kRefused = QStringLiteral("A Larkspan instance is already running, quit now.");

bool isPrivate(const QString& path)
{
    const auto others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return QFile::exists(path) && (QFile::permissions(path) & others) == QFile::Permissions();
}

} // namespace

// Runs the real program in throw-away homes: start-up writes, single instance,
// the obsolete-folder cleanup, the developer folder switch and quitting by signal.
class TestProgramLifecycle : public QObject
{
    Q_OBJECT
private slots:
    void firstAndSecondStart()
    {
        LarkspanHome home;
        auto first = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        // Its threads are woken, not left to sleep out their 5 seconds.
        const qint64 stopMs = stopWithSignal(*first, SIGTERM);
        QVERIFY2(stopMs >= 0 && stopMs < 4000, qPrintable(QString::number(stopMs)));
        QCOMPARE(first->exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->exitCode(), 0);

        const QString start1 = home.setting(QStringLiteral("appStartTime")).toString();
        const QString uuid1 = home.setting(QStringLiteral("clientUuid")).toString();
        const QString mac1 = home.setting(QStringLiteral("macAddress")).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d{14}$")).match(start1).hasMatch(), qPrintable(start1));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F-]{36}$")).match(uuid1).hasMatch());
        QVERIFY(home.setting(QStringLiteral("macAddress")).isValid());

        QVERIFY(isPrivate(home.settingsFile()));
        QVERIFY(isPrivate(home.configDir()));
        QVERIFY(isPrivate(home.dataDir()));
        QVERIFY(isPrivate(home.logFile()));
        // Switching off network configuration polling leaves no timer complaint at start.
        QVERIFY2(!home.readLog().contains(QLatin1String("QObject::startTimer")), qPrintable(home.readLog()));
        // A build tree is no installed program: nothing may start it at the next login.
        QVERIFY(QDir(home.path() + QStringLiteral("/.config/autostart")).entryList(QDir::Files).isEmpty());

        // The start time has whole seconds: a start within the same second would write the
        // same text, so the stored one is aged to see the second start write its own.
        const QString aged = QStringLiteral("20000101000000");
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("appStartTime"), aged);
        }
        auto second = home.start();
        QTRY_VERIFY_WITH_TIMEOUT(home.setting(QStringLiteral("clientUuid")).toString() != uuid1, 30000);
        QVERIFY(stopWithSignal(*second, SIGINT) >= 0);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(home.setting(QStringLiteral("macAddress")).toString(), mac1);
        const QString start2 = home.setting(QStringLiteral("appStartTime")).toString();
        QVERIFY2(start2 != aged && start2 >= start1, qPrintable(start2));
    }

    void secondInstanceIsRefused()
    {
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        auto first = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const QString uuid = home.setting(QStringLiteral("clientUuid")).toString();

        auto second = home.start();
        QVERIFY(second->waitForFinished(30000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(home.readLog().contains(kRefused));
        // The refused instance wrote no settings.
        QCOMPARE(home.setting(QStringLiteral("clientUuid")).toString(), uuid);
        QCOMPARE(first->state(), QProcess::Running);

        QVERIFY(stopWithSignal(*first, SIGHUP) >= 0);
        QCOMPARE(first->exitCode(), 0);
        QVERIFY(home.readLog().contains(QLatin1String("INI - debugEnabled:\ttrue")));
        QVERIFY(home.readLog().contains(QLatin1String("INI - multiInstanceAllowed:\tfalse")));

        // After the first has gone, a new start is not refused: it runs.
        const int running = home.readLog().count(QLatin1String("Larkspan is running."));
        auto third = home.start();
        QTRY_VERIFY_WITH_TIMEOUT(home.readLog().count(QLatin1String("Larkspan is running.")) > running, 30000);
        QCOMPARE(third->state(), QProcess::Running);
        QVERIFY(stopWithSignal(*third, SIGTERM) >= 0);
    }

    void multiInstanceAllowedRunsBoth()
    {
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("multiInstanceAllowed"), true);
        auto first = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const QString uuid = home.setting(QStringLiteral("clientUuid")).toString();
        auto second = home.start();
        QTRY_VERIFY_WITH_TIMEOUT(home.setting(QStringLiteral("clientUuid")).toString() != uuid, 30000);
        QCOMPARE(first->state(), QProcess::Running);
        QCOMPARE(second->state(), QProcess::Running);
        QVERIFY(stopWithSignal(*second, SIGTERM) >= 0);
        QVERIFY(stopWithSignal(*first, SIGTERM) >= 0);
        QCOMPARE(first->exitCode(), 0);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(!home.readLog().contains(kRefused));
    }

    void obsoleteDataFolderIsWipedBeforeLogging()
    {
        LarkspanHome home;
        QVERIFY(QDir().mkpath(home.dataDir()));
        for (const char* name : {"timelogs.db", "larkspan.db", "Larkspan.log"}) {
            QFile file(home.dataDir() + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old install");
        }
        auto run = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        QVERIFY(stopWithSignal(*run, SIGTERM) >= 0);
        QVERIFY(!QFile::exists(home.dataDir() + QStringLiteral("/timelogs.db")));
        // Whatever the new run created there, nothing of the old folder is left.
        const QFileInfoList files = QDir(home.dataDir()).entryInfoList(QDir::Files);
        for (const QFileInfo& info : files) {
            QFile file(info.absoluteFilePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains("old install"), qPrintable(info.fileName()));
        }
    }

    void shutdownStopsAndDestroysInOrder()
    {
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        auto run = home.start();
        QTRY_VERIFY_WITH_TIMEOUT(home.readLog().contains(QLatin1String("Larkspan is running.")), 30000);
        QVERIFY(stopWithSignal(*run, SIGTERM) >= 0);
        QCOMPARE(run->exitCode(), 0);

        // The steps and each thread's last words, as written: a thread that had not finished
        // when the next step began would show its line later.
        static const QRegularExpression step(
            QStringLiteral("(Shutdown: .*|UnInstalling hooks\\.\\.\\.|\\w+ has been terminated\\.)$"));
        const QString log = home.readLog();
        QStringList steps;
        const QStringList lines = log.mid(log.indexOf(QLatin1String("Event loop ended"))).split(QLatin1Char('\n'));
        for (const QString& line : lines) {
            const auto match = step.match(line);
            if (match.hasMatch())
                steps << match.captured(1);
        }
        const auto stop = [](const char* thread, const char* bound = "") {
            return QStringList {
                QStringLiteral("Shutdown: stopping %1%2...").arg(QLatin1String(thread), QLatin1String(bound)),
                QStringLiteral("%1 has been terminated.").arg(QLatin1String(thread))};
        };
        QStringList expected =
            QStringList {QStringLiteral("Shutdown: hiding the tray icon..."),
                         QStringLiteral("Shutdown: win_sparkle_cleanup..."), QStringLiteral("UnInstalling hooks...")}
            + stop("MouseMonitorWindows") + QStringList {QStringLiteral("Shutdown: deleting the updater...")}
            + stop("EventManager") + stop("TimeLogUploader") + stop("OutlookSubjectDetector", " (at most 3 s)")
            + QStringList {QStringLiteral("Shutdown: waiting for EventManager and TimeLogUploader to terminate...")};
        for (const char* object : {"LoginPrompt", "TimeLogUploader", "OutlookSubjectDetector", "MouseMonitorWindows",
                                   "EventHandler", "UserEventSampler", "WindowDetector", "EventManager",
                                   "the crash annotations and URL", "QCrashpad", "UserInfo"})
            expected << QStringLiteral("Shutdown: destroying %1...").arg(QLatin1String(object));
        QCOMPARE(steps, expected);
        QVERIFY(log.indexOf(QLatin1String("Larkspan stopped."))
                > log.indexOf(QLatin1String("Shutdown: destroying UserInfo...")));
    }

    void developerFolderSwitch()
    {
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("devCacheFolderUsed"), true);
        auto run = home.start();
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid"), 10000, QStringLiteral("LarkspanDev")));
        QVERIFY(stopWithSignal(*run, SIGTERM) >= 0);
        QCOMPARE(run->exitCode(), 0);
        QVERIFY(!QFile::exists(home.settingsFile()));
        QVERIFY(isPrivate(home.settingsFile(QStringLiteral("LarkspanDev"))));
        QVERIFY(QFile::exists(home.logFile(QStringLiteral("LarkspanDev"))));
        QVERIFY(!QDir(home.dataDir()).exists());
    }
};

LARKSPAN_TEST_MAIN(TestProgramLifecycle, QCoreApplication)
#include "tst_program_lifecycle.moc"
