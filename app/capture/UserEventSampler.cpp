#include "UserEventSampler.h"

#include "AppSignals.h"
#include "Clock.h"
#include "EventManager.h"
#include "SettingsKeys.h"
#include "TimeEvent.h"
#include "WindowDetector.h"

#include <QSettings>

#include <cstdlib>

UserEventSampler::UserEventSampler(EventManager* manager, WindowDetector* detector)
    : manager(manager), detector(detector), _lastProcessedMs(Clock::currentMSecsSinceEpoch())
{}

QDateTime UserEventSampler::lastProcessed() const
{
    return QDateTime::fromMSecsSinceEpoch(_lastProcessedMs.load(std::memory_order_relaxed));
}

void UserEventSampler::onUserEvent()
{
    // Absolute difference: after the clock was set back, the next call goes through.
    const qint64 now = Clock::currentMSecsSinceEpoch();
    if (std::llabs(now - _lastProcessedMs.load(std::memory_order_relaxed)) <= minIntervalMs)
        return;
    if (!_sampling.tryLock())
        return;
    // Another thread may have sampled between our check and the lock.
    if (std::llabs(Clock::currentMSecsSinceEpoch() - _lastProcessedMs.load()) > minIntervalMs) {
        sample();
        _lastProcessedMs = Clock::currentMSecsSinceEpoch();
    }
    _sampling.unlock();
}

void UserEventSampler::sample()
{
    const WindowInfo info = detector->detect();
    if (info.appName.isEmpty() || info.windowTitle.isEmpty())
        return;
    const bool outlookDetecting = QSettings().value(Keys::outlookDetecting, Defaults::outlookDetecting).toBool();
    if (outlookDetecting && info.appName.contains(QLatin1String("outlook"), Qt::CaseInsensitive)) {
        emit AppSignals::instance()->requestOutlookSubject(info.appName, info.windowTitle);
        return;
    }
    TimeEvent event(Clock::nowUtc(), info.appName, info.windowTitle,
                    info.metaData.isEmpty() ? TimeEvent::strEmpty() : info.metaData);
    manager->addEvent(event);
}
