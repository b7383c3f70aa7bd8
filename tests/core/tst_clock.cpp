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

    // What tells a sleep and a set clock apart: the running clocks move together, a held
    // sleep leaves the monotonic clock behind, a held setting of the clock moves it alone.
    void bootAndMonotonicClocksTellSleepAndSettingApart()
    {
        const qint64 boot = Clock::bootMSecs();
        const qint64 monotonic = Clock::monotonicMSecs();
        QThread::msleep(50);
        QVERIFY(Clock::bootMSecs() - boot >= 50);
        QVERIFY(Clock::monotonicMSecs() - monotonic >= 50);
        QVERIFY(qAbs((Clock::bootMSecs() - boot) - (Clock::monotonicMSecs() - monotonic)) < 1000);

        TestClock clock;
        const qint64 wall0 = clock.msecs();
        const qint64 boot0 = Clock::bootMSecs();
        const qint64 monotonic0 = Clock::monotonicMSecs();
        clock.advanceSecs(5);
        clock.set(clock.nowUtc().addSecs(10));
        QCOMPARE(Clock::bootMSecs() - boot0, qint64(15000));
        QCOMPARE(Clock::monotonicMSecs() - monotonic0, qint64(15000));
        clock.suspendSecs(120);
        QCOMPARE(clock.msecs() - wall0, qint64(135000));
        QCOMPARE(Clock::bootMSecs() - boot0, qint64(135000));
        QCOMPARE(Clock::monotonicMSecs() - monotonic0, qint64(15000));
        clock.setWallClockBySecs(-600);
        QCOMPARE(clock.msecs() - wall0, qint64(-465000));
        QCOMPARE(Clock::bootMSecs() - boot0, qint64(135000));
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
