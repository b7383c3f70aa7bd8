#pragma once

#include <QDateTime>
#include <QMutex>

#include <atomic>

class EventManager;
class WindowDetector;

// Called on every key press, click and mouse movement; samples the foreground window at
// most once every 3 seconds and hands the result to the event manager (or, for Outlook,
// to the subject detector).
class UserEventSampler
{
public:
    UserEventSampler(EventManager* manager, WindowDetector* detector);

    // Entered concurrently by the hook thread and the cursor poller. Rejected calls cost
    // one clock read and one comparison, without taking a lock.
    void onUserEvent();

    // When the last user event was processed (local time).
    QDateTime lastProcessed() const;

private:
    void sample();

    EventManager* manager;
    WindowDetector* detector;
    const int minIntervalMs = 3000;
    // Milliseconds since the epoch: differences are the same as between local times,
    // and reading it is far cheaper than building a local QDateTime per input event.
    std::atomic<qint64> _lastProcessedMs;
    // Serialises sampling; a call that finds another sample in progress is dropped, as
    // it would be by the throttle a moment later.
    QMutex _sampling;
};
