#include "StoppableThread.h"

#include <QDeadlineTimer>

StoppableThread::StoppableThread() = default;

StoppableThread::~StoppableThread() = default;

void StoppableThread::stop()
{
    {
        QMutexLocker lock(&_sleepMutex);
        _stopRequested = true;
        _wake.wakeAll();
    }
    emit stopRequested();
}

void StoppableThread::interruptSleep()
{
    QMutexLocker lock(&_sleepMutex);
    _sleepInterrupted = true;
    _wake.wakeAll();
}

bool StoppableThread::stopAndWait(int ms)
{
    stop();
    quit();
    return ms < 0 ? wait() : wait(QDeadlineTimer(ms));
}

void StoppableThread::terminate()
{
    _terminated = true;
}

bool StoppableThread::isStopRequested() const
{
    return _stopRequested;
}

bool StoppableThread::isTerminated() const
{
    return _terminated;
}

void StoppableThread::sleepSecs(qint64 secs)
{
    sleepMsecs(secs * 1000);
}

void StoppableThread::sleepMsecs(qint64 msecs)
{
    QDeadlineTimer deadline(msecs);
    QMutexLocker lock(&_sleepMutex);
    // Loop because wait() may wake spuriously.
    while (!_stopRequested && !_sleepInterrupted && !deadline.hasExpired())
        _wake.wait(&_sleepMutex, deadline);
    _sleepInterrupted = false;
}

void StoppableThread::wakeUp()
{
    QMutexLocker lock(&_sleepMutex);
    _wakeRequested = true;
    _wake.wakeAll();
}

void StoppableThread::sleepUntilWoken()
{
    QMutexLocker lock(&_sleepMutex);
    while (!_stopRequested && !_wakeRequested)
        _wake.wait(&_sleepMutex);
    _wakeRequested = false;
}
