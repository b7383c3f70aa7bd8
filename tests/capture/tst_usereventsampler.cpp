#include "AppSignals.h"
#include "CaptureFakes.h"
#include "SettingsKeys.h"
#include "TestClock.h"
#include "TestHome.h"
#include "UserEventSampler.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A stand-in for PowerShell on PATH: prints the given output and counts its runs.
void writeStandIn(const QString& dir, const QByteArray& output)
{
    QFile script(dir + QStringLiteral("/powershell.exe"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho run >> \"" + QFile::encodeName(dir)
                 + "/runs\"\n"
                   "[ \"$1\" = \"-Command\" ] || exit 1\n"
                   "case \"$2\" in *Shell.Application*@lksp@*@lklb@*) ;; *) exit 1;; esac\n"
                   "printf '%s' '"
                 + output + "'\n");
    script.close();
    QFile::setPermissions(script.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

int standInRuns(const QString& dir)
{
    QFile runs(dir + QStringLiteral("/runs"));
    if (!runs.open(QIODevice::ReadOnly))
        return 0;
    return runs.readAll().count('\n');
}

} // namespace

class TestUserEventSampler : public QObject
{
    Q_OBJECT
    TestClock clock;

private slots:
    void initTestCase() { AppSignals::init(QCoreApplication::instance()); }

    void init()
    {
        QSettings().clear();
        clock.set(TestClock::defaultStart());
    }

    void throttleLetsOneSampleThroughEveryThreeSeconds()
    {
        RecordingEventManager manager;
        ScriptedDetector detector;
        detector.appName = QStringLiteral("xterm");
        detector.title = QStringLiteral("shell");
        UserEventSampler sampler(&manager, &detector);

        clock.advanceMSecs(2900);
        sampler.onUserEvent();
        clock.advanceMSecs(100); // 3.0 s after construction: still inside the interval
        sampler.onUserEvent();
        QCOMPARE(detector.reads, 0);
        clock.advanceMSecs(100); // 3.1 s
        sampler.onUserEvent();
        QCOMPARE(detector.reads, 1);
        QCOMPARE(manager.taken().size(), size_t(1));
        QCOMPARE(manager.taken().front().eventTime(), clock.nowUtc());

        clock.advanceMSecs(3000);
        sampler.onUserEvent();
        QCOMPARE(detector.reads, 1);
        // The clock is set back by more than the interval: the next call goes through.
        clock.advanceMSecs(-(3000 + 3200)); // now 3.2 s before the last sample
        sampler.onUserEvent();
        QCOMPARE(detector.reads, 2);
        const auto events = manager.taken();
        QCOMPARE(events.back().appName(), QStringLiteral("xterm"));
        QCOMPARE(events.back().windowTitle(), QStringLiteral("shell"));
        QCOMPARE(events.back().metaData(), TimeEvent::strEmpty());
    }

    void missingPiecesBecomeMarkers()
    {
        RecordingEventManager manager;
        ScriptedDetector detector;
        UserEventSampler sampler(&manager, &detector);

        detector.windowPresent = false;
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        detector.windowPresent = true;
        detector.title = QString(); // an identified process, a window without title
        detector.appName = QStringLiteral("gimp");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        detector.appName = QString(); // a process that cannot be identified
        detector.title = QString::fromUtf8("Überblick — 日本語 🚀");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();

        const auto events = manager.taken();
        QCOMPARE(events.size(), size_t(3));
        QCOMPARE(events[0].appName(), TimeEvent::strUnknown());
        QCOMPARE(events[0].windowTitle(), TimeEvent::strUnknown());
        QCOMPARE(events[1].appName(), QStringLiteral("gimp"));
        QCOMPARE(events[1].windowTitle(), TimeEvent::strEmpty());
        QCOMPARE(events[2].appName(), TimeEvent::strUnknown());
        QCOMPARE(events[2].windowTitle(), QString::fromUtf8("Überblick — 日本語 🚀"));
    }

    void outlookWindowsGoToTheSubjectDetector()
    {
        RecordingEventManager manager;
        ScriptedDetector detector;
        UserEventSampler sampler(&manager, &detector);
        QSignalSpy requests(AppSignals::instance(), &AppSignals::requestOutlookSubject);

        detector.appName = QStringLiteral("OUTLOOK.EXE");
        detector.title = QStringLiteral("Inbox - someone@example.com");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(requests.count(), 1);
        QCOMPARE(requests.at(0).at(0).toString(), QStringLiteral("OUTLOOK.EXE"));
        QCOMPARE(requests.at(0).at(1).toString(), QStringLiteral("Inbox - someone@example.com"));
        QVERIFY(manager.taken().empty());

        detector.appName = QStringLiteral("thunder-outLook");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(requests.count(), 2);

        QSettings().setValue(Keys::outlookDetecting, false);
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(requests.count(), 2);
        QCOMPARE(manager.taken().size(), size_t(1));
        QCOMPARE(manager.taken().front().appName(), QStringLiteral("thunder-outLook"));
    }

    void browserAddressesComeFromPowerShellAndAreCached()
    {
        QTemporaryDir bin;
        writeStandIn(bin.path(),
                     "http://a.example/one@lksp@Page One@lklb@\r\n"
                     "http://b.example/two@lksp@  Page Two  @lklb@\r\n"
                     "no separator here@lklb@"
                     "http://c.example/@lksp@   @lklb@");
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);

        RecordingEventManager manager;
        ScriptedDetector detector;
        UserEventSampler sampler(&manager, &detector);
        detector.appName = QStringLiteral("iexplore.exe");
        detector.title = QStringLiteral("Page Two - Internet Explorer");

        // Addresses not allowed: no PowerShell, the title stays as it is.
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(standInRuns(bin.path()), 0);
        QCOMPARE(manager.taken().back().windowTitle(), QStringLiteral("Page Two - Internet Explorer"));
        QCOMPARE(manager.taken().back().metaData(), TimeEvent::strEmpty());

        QSettings().setValue(Keys::allowUrls, true);
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(standInRuns(bin.path()), 1);
        QCOMPARE(manager.taken().back().windowTitle(), QStringLiteral("Page Two"));
        QCOMPARE(manager.taken().back().metaData(), QStringLiteral("http://b.example/two"));
        QCOMPARE(WindowDetector::cachedIeUrl(QStringLiteral("Page One")), QStringLiteral("http://a.example/one"));

        // Both titles were cached: the other page needs no new run either.
        detector.title = QStringLiteral("Page One - Internet Explorer");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(standInRuns(bin.path()), 1);
        QCOMPARE(manager.taken().back().metaData(), QStringLiteral("http://a.example/one"));

        // A title PowerShell does not know asks again at every sample.
        detector.title = QStringLiteral("Unknown - Internet Explorer");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(standInRuns(bin.path()), 3);
        QCOMPARE(manager.taken().back().windowTitle(), QStringLiteral("Unknown"));
        QCOMPARE(manager.taken().back().metaData(), TimeEvent::strEmpty());

        // The name is compared exactly.
        detector.appName = QStringLiteral("IEXPLORE.EXE");
        detector.title = QStringLiteral("Unknown - Internet Explorer");
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QCOMPARE(standInRuns(bin.path()), 3);
        qputenv("PATH", oldPath);
    }

    void aPowerShellThatHangsCannotFreezeInput()
    {
        QTemporaryDir bin;
        QFile script(bin.path() + QStringLiteral("/powershell.exe"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec sleep 60\n");
        script.close();
        QFile::setPermissions(script.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + oldPath);
        QSettings().setValue(Keys::allowUrls, true);

        RecordingEventManager manager;
        ScriptedDetector detector;
        UserEventSampler sampler(&manager, &detector);
        detector.appName = QStringLiteral("iexplore.exe");
        detector.title = QStringLiteral("Stuck - Internet Explorer");
        QElapsedTimer timer;
        timer.start();
        clock.advanceMSecs(3001);
        sampler.onUserEvent();
        QVERIFY(timer.elapsed() < WindowDetector::helperTimeoutMs + 2000);
        QCOMPARE(manager.taken().size(), size_t(1));
        QCOMPARE(manager.taken().back().metaData(), TimeEvent::strEmpty());
        // The child was killed and reaped: no sleep of ours is left.
        QProcess pgrep;
        pgrep.start(QStringLiteral("pgrep"),
                    {QStringLiteral("-P"), QString::number(QCoreApplication::applicationPid())});
        QVERIFY(pgrep.waitForFinished());
        QCOMPARE(pgrep.readAllStandardOutput().trimmed(), QByteArray());
        qputenv("PATH", oldPath);
    }
};

LARKSPAN_TEST_MAIN(TestUserEventSampler, QCoreApplication)
#include "tst_usereventsampler.moc"
