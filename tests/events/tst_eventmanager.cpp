#include "AppSignals.h"
#include "DatabaseManager.h"
#include "DateTimeUtils.h"
#include "EventManager.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "TimeLogBuilder.h"

#include <QCoreApplication>
#include <QSettings>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

TimeEventDao& events()
{
    return DatabaseManager::instance().timeEventDao;
}

TimeLogDao& logs()
{
    return DatabaseManager::instance().timeLogDao;
}

QString utcAgo(qint64 secs)
{
    return DateTimeUtils::toUTCString(QDateTime::currentDateTimeUtc().addSecs(-secs));
}

// Waits until the current second has just begun, so a following check made within a few
// milliseconds sees the same whole-second distances as were written.
void alignToSecondStart()
{
    while (QDateTime::currentDateTimeUtc().time().msec() > 300)
        QThread::msleep(20);
}

QStringList storedAppNames()
{
    QStringList names;
    const auto stored = events().timeEvents();
    for (const auto& event : *stored)
        names << event->appName();
    return names;
}

TimeEvent windowEvent(const QString& app = QStringLiteral("xterm"), qint64 secsAgo = 0)
{
    return TimeEvent(QDateTime::currentDateTimeUtc().addSecs(-secsAgo), app, QStringLiteral("Terminal"),
                     TimeEvent::strEmpty());
}

} // namespace

class TestEventManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        AppSignals::init(QCoreApplication::instance());
    }

    void init()
    {
        QSettings settings;
        settings.clear();
        // Started a day ago, so the start time never hides the store's values.
        settings.setValue(Keys::appStartTime, utcAgo(86400));
        events().removeAllTimeEvents();
        logs().removeAllTimeLogs();
    }

    void pausedManagerStoresOnlyPauseMarkers()
    {
        EventManager manager;
        manager.pause(-1);
        QSignalSpy resumed(AppSignals::instance(), &AppSignals::resume);
        TimeEvent window = windowEvent();
        manager.addEvent(window);
        TimeEvent blank(QDateTime::currentDateTimeUtc(), QString(), QString(), TimeEvent::strEmpty());
        manager.addEvent(blank);
        QVERIFY(storedAppNames().isEmpty());
        QCOMPARE(resumed.count(), 0);

        manager.runPass();
        QCOMPARE(storedAppNames(), QStringList {TimeEvent::strPaused()});
        QVERIFY(QSettings().value(Keys::lastPauseEvent).isValid());
        QVERIFY(!QSettings().value(Keys::lastUserEvent).isValid());
        QCOMPARE(resumed.count(), 0);
        manager.resume();
    }

    void emptyNamesBecomeTheEmptyMarkerAndCount()
    {
        EventManager manager;
        QSignalSpy resumed(AppSignals::instance(), &AppSignals::resume);
        TimeEvent blank(QDateTime::currentDateTimeUtc(), QString(), QString(), TimeEvent::strEmpty());
        manager.addEvent(blank);
        const auto stored = events().timeEvents();
        QCOMPARE(stored->size(), size_t(1));
        QCOMPARE(stored->front()->appName(), TimeEvent::strEmpty());
        QCOMPARE(stored->front()->windowTitle(), TimeEvent::strEmpty());
        QCOMPARE(resumed.count(), 1);
    }

    void idleOnlyPastTheThreshold()
    {
        EventManager manager;
        QSignalSpy idle(AppSignals::instance(), &AppSignals::idle);
        QSettings settings;
        settings.setValue(Keys::maxInactiveSecs, 600);

        alignToSecondStart();
        settings.setValue(Keys::lastUserEvent, utcAgo(600));
        manager.runPass();
        QCOMPARE(idle.count(), 0);
        QVERIFY(!storedAppNames().contains(TimeEvent::strIdle()));

        alignToSecondStart();
        const QString lastUser = utcAgo(601);
        settings.setValue(Keys::lastUserEvent, lastUser);
        manager.runPass();
        QCOMPARE(idle.count(), 1);
        QCOMPARE(idle.at(0).at(0).toDateTime(), DateTimeUtils::fromUTCString(lastUser));
        QCOMPARE(storedAppNames(), QStringList {TimeEvent::strIdle()});

        // The idle start is the later of the last user and the last pause event.
        const QString lastPause = utcAgo(700);
        settings.setValue(Keys::lastUserEvent, utcAgo(900));
        settings.setValue(Keys::lastPauseEvent, lastPause);
        manager.runPass();
        QCOMPARE(idle.count(), 2);
        QCOMPARE(idle.at(1).at(0).toDateTime(), DateTimeUtils::fromUTCString(lastPause));

        // A threshold changed in the preferences applies at the next pass.
        settings.setValue(Keys::maxInactiveSecs, 3600);
        manager.runPass();
        QCOMPARE(idle.count(), 2);
    }

    void recentManualTimeCountsAsActivity()
    {
        EventManager manager;
        QSignalSpy idle(AppSignals::instance(), &AppSignals::idle);
        QSettings().setValue(Keys::lastUserEvent, utcAgo(20 * 60));
        const QDateTime end = QDateTime::currentDateTimeUtc().addSecs(-60);
        manager.onAddManualTime(end.addSecs(-600), end, QStringLiteral("Client meeting/call"), QStringLiteral("Budget"));
        manager.runPass();
        QCOMPARE(idle.count(), 0);

        const auto stored = logs().allTimeLogs();
        QCOMPARE(stored->size(), size_t(1));
        QCOMPARE(stored->front()->appName(), QStringLiteral("@_Client-meeting-call_@"));
        QCOMPARE(stored->front()->windowTitle(), QStringLiteral("Budget"));

        EventManager other;
        other.onAddManualTime(end.addSecs(-1200), end.addSecs(-600), QString::fromUtf8("Café break!"), QString());
        QVERIFY(logs().allTimeLogs()->back()->appName() == QStringLiteral("@_Caf--break-_@"));
    }

    void activityAfterIdleIsReportedFromTheSecondEvent()
    {
        EventManager manager;
        QSignalSpy found(AppSignals::instance(), &AppSignals::foundRecentUserEvents);
        QSettings().setValue(Keys::lastUserEvent, utcAgo(3600));
        manager.runPass(); // idle: counters reset
        TimeEvent first = windowEvent(QStringLiteral("xterm"), 4);
        manager.addEvent(first);
        manager.runPass();
        QCOMPARE(found.count(), 0);
        TimeEvent second = windowEvent();
        manager.addEvent(second);
        manager.runPass();
        QCOMPARE(found.count(), 1);
        QCOMPARE(found.at(0).at(0).toDateTime(), first.eventTime());
        manager.runPass();
        QCOMPARE(found.count(), 2);
    }

    void indefinitePauseSurvivesARestart()
    {
        {
            EventManager manager;
            emit AppSignals::instance()->pause(-1);
            QVERIFY(manager.isPaused());
            QCOMPARE(QSettings().value(Keys::pauseIndefinitely).toBool(), true);
        }
        // Paused from the first moment, before the loop ever runs.
        EventManager restarted;
        QVERIFY(restarted.isPaused());
        QSignalSpy resumed(AppSignals::instance(), &AppSignals::resume);
        // Days later the pause still holds: only the user's resume ends it.
        QSettings().setValue(Keys::lastUserEvent, utcAgo(5 * 86400));
        restarted.runPass();
        QVERIFY(restarted.isPaused());
        QCOMPARE(restarted.pauseMinutes(), -1);
        QCOMPARE(resumed.count(), 0);
        emit AppSignals::instance()->resume();
        QVERIFY(!restarted.isPaused());
        QVERIFY(!QSettings().contains(Keys::pauseIndefinitely));
    }

    void pauseUntilTomorrowHoldsTodayAndEndsLater()
    {
        const QString today = DateTimeUtils::toLocalDateString(QDateTime::currentDateTime());
        const QString yesterday = DateTimeUtils::toLocalDateString(QDateTime::currentDateTime().addDays(-1));
        {
            EventManager manager;
            manager.pause(-2);
            QCOMPARE(QSettings().value(Keys::pauseUntilTomorrow).toString(), today);
            QVERIFY(!QSettings().contains(Keys::pauseIndefinitely));
        }
        EventManager restarted;
        QVERIFY(restarted.isPaused());
        QSignalSpy messages(AppSignals::instance(), &AppSignals::showMessage);
        restarted.runPass();
        QVERIFY(restarted.isPaused());
        QCOMPARE(restarted.pauseMinutes(), -2);
        QCOMPARE(messages.count(), 0);

        // The next local day: the stored date is now in the past.
        QSettings().setValue(Keys::pauseUntilTomorrow, yesterday);
        restarted.runPass();
        QVERIFY(!restarted.isPaused());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("Larkspan"));
        QCOMPARE(messages.at(0).at(1).toString(), QStringLiteral("Larkspan is now active."));
        QVERIFY(!QSettings().contains(Keys::pauseUntilTomorrow));

        // A stale date left by an old run is no pause at all.
        QSettings().setValue(Keys::pauseUntilTomorrow, yesterday);
        EventManager later;
        later.runPass();
        QVERIFY(!later.isPaused());
    }

    void timedPauseEndsOnceItsMinutesArePast()
    {
        EventManager manager;
        QSignalSpy messages(AppSignals::instance(), &AppSignals::showMessage);
        manager.pause(30);
        QVERIFY(!QSettings().contains(Keys::pauseIndefinitely));
        QVERIFY(!QSettings().contains(Keys::pauseUntilTomorrow));

        QSettings().setValue(Keys::lastUserEvent, utcAgo(30 * 60 - 5));
        manager.runPass();
        QVERIFY(manager.isPaused());
        QCOMPARE(messages.count(), 0);

        QSettings().setValue(Keys::lastUserEvent, utcAgo(30 * 60 + 2));
        manager.runPass();
        QVERIFY(!manager.isPaused());
        QCOMPARE(messages.count(), 1);

        // A timed pause does not outlive the program.
        manager.pause(60);
        EventManager restarted;
        restarted.runPass();
        QVERIFY(!restarted.isPaused());
    }

    void eventsOlderThanADayArePurged()
    {
        EventManager manager;
        TimeEvent old = windowEvent(QStringLiteral("old-app"), 86400 + 60);
        TimeEvent recent = windowEvent(QStringLiteral("recent-app"), 3600);
        manager.addEvent(old);
        manager.addEvent(recent);
        QCOMPARE(storedAppNames().size(), 2);
        manager.runPass();
        QVERIFY(!storedAppNames().contains(QStringLiteral("old-app")));
        QVERIFY(storedAppNames().contains(QStringLiteral("recent-app")));
    }

    void cancelIdleTimeDropsIdleMaterial()
    {
        EventManager manager;
        manager.createIdleEvent(QDateTime::currentDateTimeUtc());
        TimeEvent window = windowEvent();
        manager.addEvent(window);
        manager.onCancelIdleTime();
        QCOMPARE(storedAppNames(), QStringList {QStringLiteral("xterm")});
    }

    void stoppingBuildsWhatIsStored()
    {
        EventManager manager;
        TimeEvent first = windowEvent(QStringLiteral("editor"), 20);
        TimeEvent second = windowEvent(QStringLiteral("editor"), 10);
        manager.addEvent(first);
        manager.addEvent(second);
        manager.pause(-1);
        manager.runPass(); // a pause marker, which must not survive as a log
        manager.stop();
        manager.run();
        QVERIFY(manager.isTerminated());
        QVERIFY(events().timeEvents()->empty());
        const auto stored = logs().allTimeLogs();
        QVERIFY(stored && !stored->empty());
        QCOMPARE(stored->front()->appName(), QStringLiteral("editor"));
        for (const auto& log : *stored)
            QVERIFY(log->appName() != TimeEvent::strPaused());
        manager.resume();
    }

    // The user comes back from an idle period, works on, and only then answers the manual
    // time prompt: no stretch of time may end up in two logs.
    void manualTimeAnsweredLateCountsNothingTwice()
    {
        // The events span 900 s plus however long this test takes to write them.
        QElapsedTimer running;
        running.start();
        EventManager manager;
        TimeLogBuilder builder;
        for (qint64 ago = 900; ago >= 700; ago -= 20) {
            TimeEvent event = windowEvent(QStringLiteral("editor"), ago);
            manager.addEvent(event);
        }
        for (qint64 ago = 95; ago >= 70; ago -= 5)
            manager.createIdleEvent(QDateTime::currentDateTimeUtc().addSecs(-ago));
        for (qint64 ago = 66; ago >= 6; ago -= 6) {
            TimeEvent event = windowEvent(QStringLiteral("mail"), ago);
            manager.addEvent(event);
        }
        builder.buildTimeLogs(); // the periodic build while the prompt waits

        const QDateTime now = QDateTime::currentDateTimeUtc();
        manager.onAddManualTime(now.addSecs(-700), now.addSecs(-66), QStringLiteral("Meeting"), QStringLiteral("Budget"));
        TimeEvent later = windowEvent(QStringLiteral("mail"), 0);
        manager.addEvent(later);
        builder.buildTimeLogs();

        const auto stored = logs().timeLogsForUpload(100);
        QVERIFY(stored->size() >= 3);
        qint64 total = 0;
        for (size_t i = 0; i < stored->size(); ++i) {
            const TimeLog& log = *stored->at(i);
            total += log.startTime().secsTo(log.endTime());
            if (i > 0) {
                const TimeLog& before = *stored->at(i - 1);
                QVERIFY2(log.startTime() >= before.endTime(),
                         qPrintable(before.appName() + QLatin1Char(' ') + before.endTimeStr() + QStringLiteral(" > ")
                                    + log.appName() + QLatin1Char(' ') + log.startTimeStr()));
            }
        }
        const qint64 span = 900 + (running.elapsed() + 999) / 1000;
        QVERIFY2(total <= span, qPrintable(QStringLiteral("%1 > %2").arg(total).arg(span)));
    }

    // A data folder that refuses writes: the user hears of it once, keeps every event, and
    // hears once more when saving works again.
    void unsavableTimeIsKeptAndReportedOnce()
    {
        EventManager manager;
        QSignalSpy messages(AppSignals::instance(), &AppSignals::showMessage);
        QSqlDatabase disk = QSqlDatabase::database(QStringLiteral("disk_db_connection"), false);
        TimeEvent event = windowEvent(QStringLiteral("editor"), 30);
        manager.addEvent(event);

        QVERIFY(QSqlQuery(disk).exec(QStringLiteral("PRAGMA query_only = ON")));
        const QDateTime start = QDateTime::currentDateTimeUtc().addSecs(-20);
        manager.onAddManualTime(start, start.addSecs(5), QStringLiteral("Call"), QString());
        manager.onAddManualTime(start, start.addSecs(6), QStringLiteral("Call"), QString());
        QVERIFY(QSqlQuery(disk).exec(QStringLiteral("PRAGMA query_only = OFF")));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.at(0).at(1).toString().startsWith(QLatin1String("Tracked time cannot be saved")));
        QCOMPARE(storedAppNames(), QStringList {QStringLiteral("editor")});

        manager.onAddManualTime(start, start.addSecs(7), QStringLiteral("Call"), QString());
        QCOMPARE(messages.count(), 2);
        QCOMPARE(messages.at(1).at(1).toString(), QStringLiteral("Tracked time is saved again."));
        QVERIFY(storedAppNames().isEmpty());
        QCOMPARE(logs().timeLogsForUpload(10)->front()->appName(), QStringLiteral("editor"));
    }

    void concurrentCallersDoNotCorruptState()
    {
        EventManager manager;
        std::vector<QThread*> threads;
        for (int t = 0; t < 3; ++t) {
            threads.push_back(QThread::create([&manager, t] {
                for (int i = 0; i < 300; ++i) {
                    TimeEvent event = windowEvent(QStringLiteral("app%1").arg(t));
                    manager.addEvent(event);
                }
            }));
            threads.back()->start();
        }
        for (int i = 0; i < 50; ++i) {
            manager.pause(30);
            manager.resume();
            manager.runPass();
        }
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(30000));
            delete thread;
        }
        QVERIFY(!manager.isPaused());
        // Every stored row is readable and signed correctly.
        const auto stored = events().timeEvents();
        QVERIFY(stored && !stored->empty());
        for (const auto& event : *stored)
            QVERIFY(event->isValid());
    }
};

LARKSPAN_TEST_MAIN(TestEventManager, QCoreApplication)
#include "tst_eventmanager.moc"
