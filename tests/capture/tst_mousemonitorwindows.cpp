#include "AppSignals.h"
#include "CaptureFakes.h"
#include "MouseMonitorWindows.h"
#include "TestClock.h"
#include "TestHome.h"
#include "UserEventSampler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <atomic>

namespace {

// A cursor the test moves.
class ScriptedMonitor : public MouseMonitorWindows
{
public:
    using MouseMonitorWindows::MouseMonitorWindows;
    int x = 100;
    int y = 100;
    std::atomic<int> reads {0};

protected:
    bool readCursor(int& outX, int& outY) override
    {
        ++reads;
        outX = x;
        outY = y;
        return true;
    }
};

} // namespace

class TestMouseMonitorWindows : public QObject
{
    Q_OBJECT
    TestClock clock;

private slots:
    void initTestCase() { AppSignals::init(QCoreApplication::instance()); }

    void movesAreReportedFromTheSecondPoll()
    {
        RecordingEventManager manager;
        ScriptedDetector detector;
        detector.appName = QStringLiteral("xterm");
        detector.title = QStringLiteral("t");
        UserEventSampler sampler(&manager, &detector);
        ScriptedMonitor monitor(&sampler);

        // Every poll is far enough apart for the sampler to take it.
        auto poll = [&] {
            clock.advanceMSecs(3001);
            monitor.poll();
        };
        poll(); // first poll only records the position
        QCOMPARE(detector.reads, 0);
        poll(); // no movement
        QCOMPARE(detector.reads, 0);
        monitor.x = 150;
        poll();
        QCOMPARE(detector.reads, 1);
        monitor.y = 50;
        poll();
        QCOMPARE(detector.reads, 2);

        // From the left edge, a move is not reported on that poll, the next one is.
        monitor.x = 0;
        poll();
        QCOMPARE(detector.reads, 3);
        monitor.x = 5;
        monitor.y = 5;
        poll();
        QCOMPARE(detector.reads, 3);
        monitor.x = 9;
        poll();
        QCOMPARE(detector.reads, 4);
    }

    void stopEndsTheLoopAtOnce()
    {
        RecordingEventManager manager;
        ScriptedDetector detector;
        UserEventSampler sampler(&manager, &detector);
        ScriptedMonitor monitor(&sampler);
        monitor.start();
        // Polled once: the thread now sleeps 3 seconds until its next poll.
        QTRY_VERIFY_WITH_TIMEOUT(monitor.reads.load() == 1, 30000);
        QElapsedTimer timer;
        timer.start();
        monitor.stop();
        monitor.quit();
        // Woken, not left to finish its 3 seconds.
        QVERIFY(monitor.wait(30000));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(monitor.isTerminated());
    }
};

LARKSPAN_TEST_MAIN(TestMouseMonitorWindows, QCoreApplication)
#include "tst_mousemonitorwindows.moc"
