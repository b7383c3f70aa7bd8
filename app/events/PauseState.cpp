#include "PauseState.h"

#include "QtLog.h"
#include "StoredPause.h"

void PauseState::pause(int minutes)
{
    _minutes = minutes;
    _paused = true;
    StoredPause::remember(minutes);
    if (minutes == PauseCode::untilTomorrow) {
        LK_INFO() << "EventManager::pause until tomorrow...";
    } else if (minutes == PauseCode::indefinitely) {
        LK_INFO() << "EventManager::pause indefinitely...";
    } else {
        LK_INFO().nospace() << "EventManager::pause " << minutes << " minutes from now...";
    }
}

void PauseState::resume()
{
    LK_DEBUG() << "EventManager::resume...";
    _minutes = 0;
    _paused = false;
    StoredPause::forget();
}

bool PauseState::hasRunOut(qint64 secsSinceLastUserEvent) const
{
    if (!_paused)
        return false;
    const int minutes = _minutes;
    if (minutes > 0)
        return secsSinceLastUserEvent > qint64(minutes) * 60;
    if (minutes != PauseCode::untilTomorrow)
        return false;
    const StoredPause stored = StoredPause::load();
    LK_DEBUG() << "Paused until tomorrow: pausedDate=" << stored.date() << ", today=" << stored.today();
    return !stored.untilTomorrow();
}
