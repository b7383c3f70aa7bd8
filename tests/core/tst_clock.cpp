#include "Clock.h"
#include "TestClock.h"

#include <QCoreApplication>
#include <QThread>
#include <QtTest>

#include <atomic>

class TestClockTest : public QObject
{
    Q_OBJECT
private slots:
    void runsWithTheSystemClockWhenNotHeld()
    {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const qint64 read = Clock::currentMSecsSinceEpoch();
        const QDateTime utc = Clock::nowUtc();
        const QDateTime local = Clock::nowLocal();
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(before <= read && read <= after);
        QCOMPARE(utc.timeSpec(), Qt::UTC);
        QCOMPARE(local.timeSpec(), Qt::LocalTime);
        QVERIFY(before <= utc.toMSecsSinceEpoch() && utc.toMSecsSinceEpoch() <= local.toMSecsSinceEpoch()
                && local.toMSecsSinceEpoch() <= after);
    }

    void heldTimeMovesOnlyWhenAdvancedAndRunsAgainAfterwards()
    {
        const QDateTime start(QDate(2024, 12, 31), QTime(23, 59, 59, 500), Qt::UTC);
        {
            TestClock clock(start);
            QCOMPARE(Clock::nowUtc(), start);
            QCOMPARE(Clock::nowLocal(), start.toLocalTime());
            QCOMPARE(Clock::nowLocal().timeSpec(), Qt::LocalTime);
            clock.advanceMSecs(500);
            QCOMPARE(Clock::nowUtc(), QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC));
            clock.advanceSecs(-86400);
            QCOMPARE(Clock::currentMSecsSinceEpoch(), start.addMSecs(500).addDays(-1).toMSecsSinceEpoch());
            // The epoch itself and instants before it are ordinary instants.
            clock.set(QDateTime::fromMSecsSinceEpoch(0, Qt::UTC));
            QCOMPARE(Clock::currentMSecsSinceEpoch(), qint64(0));
            clock.advanceMSecs(-1);
            QCOMPARE(Clock::currentMSecsSinceEpoch(), qint64(-1));
        }
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(qAbs(Clock::currentMSecsSinceEpoch() - now) < 60 * 1000);
    }

    // What tells a sleep and a set clock apart: a held sleep leaves the monotonic clock
    // behind, a held setting of the wall clock moves it alone, plain moves move all three.
    void heldSleepAndSettingMoveTheClocksApart()
    {
        TestClock clock;
        const qint64 wall = clock.msecs();
        const qint64 boot = Clock::bootMSecs();
        const qint64 monotonic = Clock::monotonicMSecs();
        clock.set(clock.nowUtc().addSecs(10));
        clock.suspendSecs(120);
        clock.setWallClockBySecs(-600);
        QCOMPARE(clock.msecs() - wall, qint64(-470000));
        QCOMPARE(Clock::bootMSecs() - boot, qint64(130000));
        QCOMPARE(Clock::monotonicMSecs() - monotonic, qint64(10000));
    }

    // The capture threads read the clock while the test moves it.
    void otherThreadsSeeTheHeldTime()
    {
        TestClock clock;
        const qint64 held = clock.msecs();
        std::atomic<qint64> seen {0};
        QThread* reader = QThread::create([&seen] { seen = Clock::currentMSecsSinceEpoch(); });
        reader->start();
        QVERIFY(reader->wait(60000));
        delete reader;
        QCOMPARE(seen.load(), held);

        std::atomic<bool> stop {false};
        std::atomic<bool> wentBack {false};
        QThread* watcher = QThread::create([&] {
            qint64 last = Clock::currentMSecsSinceEpoch();
            while (!stop) {
                const qint64 read = Clock::currentMSecsSinceEpoch();
                if (read < last)
                    wentBack = true;
                last = read;
            }
        });
        watcher->start();
        for (int i = 0; i < 100000; ++i)
            clock.advanceMSecs(1);
        stop = true;
        QVERIFY(watcher->wait(60000));
        delete watcher;
        QVERIFY(!wentBack);
        QCOMPARE(clock.msecs(), held + 100000);
    }
};

QTEST_GUILESS_MAIN(TestClockTest)
#include "tst_clock.moc"
