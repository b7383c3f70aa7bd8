#include "StoredPause.h"

#include "Clock.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"

#include <QSettings>

StoredPause StoredPause::load()
{
    QSettings settings;
    StoredPause stored;
    stored._indefinitely = settings.value(Keys::pauseIndefinitely, false).toBool();
    stored._date = settings.value(Keys::pauseUntilTomorrow, QString()).toString();
    stored._today = DateTimeUtils::toLocalDateString(Clock::nowLocal());
    return stored;
}

void StoredPause::remember(int pauseCode)
{
    QSettings settings;
    if (pauseCode == PauseCode::untilTomorrow) {
        settings.setValue(Keys::pauseUntilTomorrow, DateTimeUtils::toLocalDateString(Clock::nowLocal()));
        settings.remove(Keys::pauseIndefinitely);
    } else if (pauseCode == PauseCode::indefinitely) {
        settings.remove(Keys::pauseUntilTomorrow);
        settings.setValue(Keys::pauseIndefinitely, true);
    }
}

void StoredPause::forget()
{
    QSettings settings;
    if (settings.contains(Keys::pauseUntilTomorrow))
        settings.remove(Keys::pauseUntilTomorrow);
    if (settings.contains(Keys::pauseIndefinitely))
        settings.remove(Keys::pauseIndefinitely);
}

int StoredPause::code() const
{
    if (_indefinitely)
        return PauseCode::indefinitely;
    if (untilTomorrow())
        return PauseCode::untilTomorrow;
    return 0;
}
