#include "AppSignals.h"
#include "Clock.h"
#include "DatabaseManager.h"
#include "DateTimeUtils.h"
#include "EventManager.h"
#include "SessionBus.h"
#include "SettingsKeys.h"
#include "SleepWatcher.h"
#include "TestClock.h"
#include "TestHome.h"
#include "TimeLogBuilder.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <algorithm>
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
    return TimeEvent(Clock::nowUtc().addSecs(-secsAgo), app, QStringLiteral("Terminal"), TimeEvent::strEmpty());
}

using Spans = std::vector<std::pair<QDateTime, QDateTime>>;

// The editor's stored logs, oldest first, with their total and a text for failures.
Spans editorSpans(qint64* total = nullptr, QString* text = nullptr)
{
    Spans spans;
    const auto stored = logs().allTimeLogs();
    for (const auto& log : *stored) {
        if (log->appName() == QLatin1String("editor"))
            spans.emplace_back(log->startTime(), log->endTime());
    }
    std::sort(spans.begin(), spans.end());
    for (const auto& span : spans) {
        if (total)
            *total += span.first.secsTo(span.second);
        if (text)
            *text += span.first.toString(Qt::ISODate) + QStringLiteral("..") + span.second.toString(Qt::ISODate)
                + QLatin1Char(' ');
    }
    return spans;
}

} // namespace

class TestEventManager : public QObject
{
    Q_OBJECT
    TestClock clock;

private slots:
    void initTestCase() { AppSignals::init(QCoreApplication::instance()); }

    void init()
    {
        QSettings settings;
        settings.clear();
        // The program started a day ago, so its start never hides the events a test makes.
        clock.set(TestClock::defaultStart());
        settings.setValue(Keys::appStartTime, DateTimeUtils::toUTCString(Clock::nowUtc()));
        clock.advanceSecs(86400);
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
        TimeEvent blank(Clock::nowUtc(), QString(), QString(), TimeEvent::strEmpty());
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
        TimeEvent blank(Clock::nowUtc(), QString(), QString(), TimeEvent::strEmpty());
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

        TimeEvent typed = windowEvent();
        manager.addEvent(typed);
        clock.advanceSecs(600);
        manager.runPass();
        QCOMPARE(idle.count(), 0);
        QVERIFY(!storedAppNames().contains(TimeEvent::strIdle()));

        clock.advanceSecs(1);
        manager.runPass();
        QCOMPARE(idle.count(), 1);
        QCOMPARE(idle.at(0).at(0).toDateTime(), typed.eventTime());
        QVERIFY(storedAppNames().contains(TimeEvent::strIdle()));

        // The idle start is the later of the last user and the last pause event.
        clock.advanceSecs(5);
        manager.pause(-1);
        manager.runPass();
        const QDateTime paused = Clock::nowUtc();
        manager.resume();
        clock.advanceSecs(600);
        manager.runPass();
        QCOMPARE(idle.count(), 1);
        clock.advanceSecs(1);
        manager.runPass();
        QCOMPARE(idle.count(), 2);
        QCOMPARE(idle.at(1).at(0).toDateTime(), paused);

        // A threshold changed in the preferences applies at the next pass.
        settings.setValue(Keys::maxInactiveSecs, 3600);
        clock.advanceSecs(60);
        manager.runPass();
        QCOMPARE(idle.count(), 2);
    }

    void recentManualTimeCountsAsActivity()
    {
        // Nothing typed since the start a day ago, but the user has just answered the prompt.
        EventManager manager;
        QSignalSpy idle(AppSignals::instance(), &AppSignals::idle);
        const QDateTime end = Clock::nowUtc().addSecs(-60);
        manager.onAddManualTime(end.addSecs(-600), end, QStringLiteral("Client meeting/call"),
                                QStringLiteral("Budget"));
        manager.runPass();
        QCOMPARE(idle.count(), 0);

        const auto stored = logs().allTimeLogs();
        QCOMPARE(stored->size(), size_t(1));
        QCOMPARE(stored->front()->appName(), QStringLiteral("@_Client-meeting-call_@"));
        QCOMPARE(stored->front()->windowTitle(), QStringLiteral("Budget"));

        EventManager other;
        other.onAddManualTime(end.addSecs(-1200), end.addSecs(-600), QString::fromUtf8("Café break!"), QString());
        QVERIFY(logs().allTimeLogs()->back()->appName() == QStringLiteral("@_Caf--break-_@"));

        // It counts for the threshold's length, like any other activity.
        clock.advanceSecs(Defaults::maxInactiveSecs);
        manager.runPass();
        QCOMPARE(idle.count(), 0);
        clock.advanceSecs(1);
        manager.runPass();
        QCOMPARE(idle.count(), 1);
    }

    void activityAfterIdleIsReportedFromTheSecondEvent()
    {
        EventManager manager;
        QSignalSpy found(AppSignals::instance(), &AppSignals::foundRecentUserEvents);
        QSignalSpy idle(AppSignals::instance(), &AppSignals::idle);
        manager.runPass(); // idle since the start a day ago: counters reset
        QCOMPARE(idle.count(), 1);
        TimeEvent first = windowEvent();
        manager.addEvent(first);
        clock.advanceSecs(4);
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
        clock.advanceSecs(5 * 86400);
        restarted.runPass();
        QVERIFY(restarted.isPaused());
        QCOMPARE(restarted.pauseMinutes(), -1);
        QCOMPARE(resumed.count(), 0);
        emit AppSignals::instance()->resume();
        QVERIFY(!restarted.isPaused());
        QVERIFY(!QSettings().contains(Keys::pauseIndefinitely));
    }

    // Tomorrow begins at the user's local midnight.
    void pauseUntilTomorrowHoldsTodayAndEndsLater()
    {
        const QDate today(2024, 3, 13);
        clock.set(QDateTime(today, QTime(23, 59, 50), Qt::LocalTime));
        {
            EventManager manager;
            manager.pause(-2);
            QCOMPARE(QSettings().value(Keys::pauseUntilTomorrow).toString(), QStringLiteral("20240313"));
            QVERIFY(!QSettings().contains(Keys::pauseIndefinitely));
        }
        EventManager restarted;
        QVERIFY(restarted.isPaused());
        QSignalSpy messages(AppSignals::instance(), &AppSignals::showMessage);
        clock.advanceSecs(9);
        restarted.runPass();
        QVERIFY(restarted.isPaused());
        QCOMPARE(restarted.pauseMinutes(), -2);
        QCOMPARE(messages.count(), 0);

        clock.advanceSecs(1);
        QCOMPARE(Clock::nowLocal(), QDateTime(today.addDays(1), QTime(0, 0), Qt::LocalTime));
        restarted.runPass();
        QVERIFY(!restarted.isPaused());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), QStringLiteral("Larkspan"));
        QCOMPARE(messages.at(0).at(1).toString(), QStringLiteral("Larkspan is now active."));
        QVERIFY(!QSettings().contains(Keys::pauseUntilTomorrow));

        // A pause left by a run that ended before midnight is no pause the next day.
        clock.set(QDateTime(today, QTime(18, 0), Qt::LocalTime));
        {
            EventManager earlier;
            earlier.pause(-2);
        }
        clock.set(QDateTime(today.addDays(1), QTime(8, 30), Qt::LocalTime));
        EventManager later;
        QVERIFY(!later.isPaused());
        later.runPass();
        QVERIFY(!later.isPaused());
    }

    void timedPauseEndsOnceItsMinutesArePast()
    {
        EventManager manager;
        QSignalSpy messages(AppSignals::instance(), &AppSignals::showMessage);
        // Its minutes count from the user's last activity.
        TimeEvent typed = windowEvent();
        manager.addEvent(typed);
        clock.advanceSecs(10);
        manager.pause(30);
        QVERIFY(!QSettings().contains(Keys::pauseIndefinitely));
        QVERIFY(!QSettings().contains(Keys::pauseUntilTomorrow));

        clock.set(typed.eventTime().addSecs(30 * 60));
        manager.runPass();
        QVERIFY(manager.isPaused());
        QCOMPARE(messages.count(), 0);

        clock.advanceSecs(1);
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
        manager.createIdleEvent(Clock::nowUtc());
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
        EventManager manager;
        TimeLogBuilder builder;
        for (qint64 ago = 900; ago >= 700; ago -= 20) {
            TimeEvent event = windowEvent(QStringLiteral("editor"), ago);
            manager.addEvent(event);
        }
        for (qint64 ago = 95; ago >= 70; ago -= 5)
            manager.createIdleEvent(Clock::nowUtc().addSecs(-ago));
        for (qint64 ago = 66; ago >= 6; ago -= 6) {
            TimeEvent event = windowEvent(QStringLiteral("mail"), ago);
            manager.addEvent(event);
        }
        builder.buildTimeLogs(); // the periodic build while the prompt waits

        const QDateTime now = Clock::nowUtc();
        manager.onAddManualTime(now.addSecs(-700), now.addSecs(-66), QStringLiteral("Meeting"),
                                QStringLiteral("Budget"));
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
        QVERIFY2(total <= 900, qPrintable(QString::number(total)));
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
        const QDateTime start = Clock::nowUtc().addSecs(-20);
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

    // The user works, reads for four minutes, works, the lid closes for two minutes, the
    // user works again, and the program is stopped for six minutes: the reading counts,
    // neither absence does, and neither raises the idle prompt under a 600 s threshold.
    void sleepAndStopsAreNeverCredited()
    {
        EventManager manager;
        QSignalSpy idle(AppSignals::instance(), &AppSignals::idle);
        const QDateTime start = Clock::nowUtc();
        work(manager, 30);
        for (int t = 0; t < 240; t += 5) {
            clock.advanceSecs(5);
            manager.runPass();
        }
        work(manager, 30);
        const QDateTime asleep = Clock::nowUtc();
        clock.suspendSecs(120);
        const QDateTime woken = Clock::nowUtc();
        manager.runPass(); // the loop notices first
        work(manager, 30);
        const QDateTime stopped = Clock::nowUtc();
        clock.advanceSecs(360);
        const QDateTime continued = Clock::nowUtc();
        work(manager, 30); // the user's input comes before the loop's pass
        manager.stop();
        manager.run();
        QCOMPARE(idle.count(), 0);

        QString text;
        qint64 beforeSleep = 0;
        for (const auto& span : editorSpans(nullptr, &text)) {
            QVERIFY2(span.first >= woken || span.second <= asleep, qPrintable(text));
            QVERIFY2(span.first >= continued || span.second <= stopped, qPrintable(text));
            beforeSleep += span.second <= asleep ? span.first.secsTo(span.second) : 0;
        }
        QCOMPARE(beforeSleep, start.secsTo(asleep) - 3);
    }

    // The login manager announces a sleep on the system bus (a private bus stands in): the
    // work so far is stored before the machine sleeps, and even a short sleep is not counted.
    void announcedSleepIsStoredAndNotCounted()
    {
        SessionBus bus;
        if (!bus.isRunning())
            QSKIP(qPrintable(QStringLiteral("no private bus: ") + bus.errorString()));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toUtf8());
        const auto unset = qScopeGuard([] { qunsetenv("DBUS_SYSTEM_BUS_ADDRESS"); });
        EventManager manager;
        SleepWatcher watcher([&manager](bool sleeping) { manager.prepareForSleep(sleeping); });
        QVERIFY(watcher.isListening());
        work(manager, 12);
        QDBusConnection logind = QDBusConnection::connectToBus(bus.address(), QStringLiteral("stand-in-logind"));
        QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        QVERIFY(logind.send(signal << true));
        QTRY_COMPARE(editorSpans().size(), size_t(1));
        QVERIFY(events().timeEvents()->empty());
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in-logind"));

        const QDateTime asleep = Clock::nowUtc();
        clock.suspendSecs(8);
        work(manager, 6);
        manager.stop();
        manager.run();
        QString text;
        const Spans spans = editorSpans(nullptr, &text);
        QVERIFY2(spans.size() == 2 && spans.back().first >= asleep.addSecs(8), qPrintable(text));
    }

    // The wall clock is set back ten minutes twice while the user stays in one window (once
    // noticed first by an input, once by the loop), then forward by five minutes and by an
    // hour: no log lasts longer than the time that passed, none overlaps another, and no
    // setting of the clock is taken for an absence.
    void aSetWallClockInventsNothing()
    {
        EventManager manager;
        QSignalSpy idle(AppSignals::instance(), &AppSignals::idle);
        work(manager, 90);
        clock.setWallClockBySecs(-600);
        work(manager, 90);
        clock.setWallClockBySecs(-600);
        clock.advanceSecs(2);
        manager.runPass();
        work(manager, 90);
        clock.setWallClockBySecs(300);
        work(manager, 30);
        clock.setWallClockBySecs(3600);
        manager.runPass();
        work(manager, 30);
        manager.stop();
        manager.run();
        QCOMPARE(idle.count(), 0);

        qint64 total = 0;
        QString text;
        const Spans spans = editorSpans(&total, &text);
        for (size_t i = 0; i + 1 < spans.size(); ++i)
            QVERIFY2(spans[i].second <= spans[i + 1].first, qPrintable(text));
        QVERIFY2(total <= 3 * 90 + 2 * 30 + 2 && total >= 3 * 87 + 2 * 27, qPrintable(text));
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

private:
    // The user works in the editor: an input every 3 s, a pass of the loop every 6 s.
    void work(EventManager& manager, int secs)
    {
        for (int t = 0; t < secs; t += 3) {
            TimeEvent event = windowEvent(QStringLiteral("editor"));
            manager.addEvent(event);
            clock.advanceSecs(3);
            if (t % 6 == 3)
                manager.runPass();
        }
    }
};

LARKSPAN_TEST_MAIN(TestEventManager, QCoreApplication)
#include "tst_eventmanager.moc"
