#pragma once

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <atomic>

// Base of the worker threads. A subclass's run() loops until isStopRequested(),
// sleeping with sleepSecs(), and calls terminate() as its last step.
class StoppableThread : public QThread
{
    Q_OBJECT
public:
    StoppableThread();
    ~StoppableThread() override;

    // Asks the loop to end; a thread sleeping in sleepSecs() wakes at once, so quitting
    // never waits out a long pause between passes.
    void stop();
    // Ends the current or next sleepSecs() or sleepMsecs() early, without stopping the
    // loop: something happened that the next pass should not wait for.
    void interruptSleep();
    // stop(), then ends the thread's event loop should it run one, and waits for the
    // thread to finish: at most ms milliseconds, or as long as it takes when ms is
    // negative. True when it has finished.
    bool stopAndWait(int ms = -1);
    // Marks the loop as finished; the shutdown sequence polls isTerminated().
    void terminate();

    bool isStopRequested() const;
    bool isTerminated() const;
    // Ends the current or next sleepUntilWoken(), for a thread that has
    // nothing to do until it is handed work. A wake that comes before the sleep is kept.
    void wakeUp();

signals:
    // Emitted by stop(), on the caller's thread: a thread that waits for work from this
    // one can wake up and end with it.
    void stopRequested();

protected:
    // Returns after secs seconds or as soon as stop() is called, whichever comes first.
    void sleepSecs(qint64 secs);
    void sleepMsecs(qint64 msecs);
    // Returns once wakeUp() or stop() was called, at once when either came since the
    // last return.
    void sleepUntilWoken();

    // Free for subclasses to guard their own shared state. Taken before any lock of the
    // data the thread works on, never while holding one.
    QMutex mutex;

private:
    std::atomic<bool> _stopRequested {false};
    std::atomic<bool> _terminated {false};
    bool _wakeRequested = false; // under _sleepMutex
    bool _sleepInterrupted = false; // under _sleepMutex
    QMutex _sleepMutex;
    QWaitCondition _wake;
};
