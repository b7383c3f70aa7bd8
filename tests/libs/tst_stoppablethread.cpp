#include "StoppableThread.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <atomic>

namespace {

// The loop shape every worker uses: work, sleep, until stopped, then terminate().
class LoopThread : public StoppableThread
{
public:
    explicit LoopThread(qint64 sleepSecs) : _sleepSecs(sleepSecs) {}
    std::atomic<int> passes {0};

protected:
    void run() override
    {
        while (!isStopRequested()) {
            ++passes;
            sleepSecs(_sleepSecs);
        }
        terminate();
    }

private:
    qint64 _sleepSecs;
};

// Waits for work between passes, as a thread does that has nothing to poll.
class WaitingThread : public StoppableThread
{
public:
    std::atomic<int> passes {0};

protected:
    void run() override
    {
        while (!isStopRequested()) {
            ++passes;
            sleepUntilWoken();
        }
        terminate();
    }
};

} // namespace

class TestStoppableThread : public QObject
{
    Q_OBJECT
private slots:
    void stopWakesALongSleepAtOnce()
    {
        LoopThread thread(90);
        thread.start();
        QTRY_COMPARE(thread.passes.load(), 1);
        QVERIFY(!thread.isTerminated());
        thread.stop();
        // Ends long before the 90 seconds it would otherwise sleep, even on a busy machine.
        QVERIFY(thread.wait(15000));
        QVERIFY(thread.isTerminated());
        QCOMPARE(thread.passes.load(), 1);
    }

    void stopBeforeStartEndsWithoutAPass()
    {
        LoopThread thread(5);
        thread.stop();
        thread.start();
        QVERIFY(thread.wait(15000));
        QCOMPARE(thread.passes.load(), 0);
        QVERIFY(thread.isTerminated());
    }

    void sleepUntilWokenWaitsForAWakeAndKeepsAnEarlyOne()
    {
        WaitingThread thread;
        // Woken before it ever sleeps: the first sleep returns at once, the second waits.
        thread.wakeUp();
        thread.start();
        QTRY_COMPARE(thread.passes.load(), 2);
        QTest::qWait(300);
        QCOMPARE(thread.passes.load(), 2);
        thread.wakeUp();
        QTRY_COMPARE(thread.passes.load(), 3);
        QSignalSpy stopped(&thread, &StoppableThread::stopRequested);
        thread.stop();
        QVERIFY(thread.wait(15000));
        QVERIFY(thread.isTerminated());
        QCOMPARE(stopped.count(), 1);
    }

    void sleepLastsItsTimeWithoutStop()
    {
        LoopThread thread(1);
        QElapsedTimer timer;
        timer.start();
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(thread.passes.load() >= 3, 20000);
        // Three passes need at least two full sleeps.
        QVERIFY(timer.elapsed() >= 1900);
        thread.stop();
        QVERIFY(thread.wait(15000));
    }
};

LARKSPAN_TEST_MAIN(TestStoppableThread, QCoreApplication)
#include "tst_stoppablethread.moc"
