#include "SettingsUpdateState.h"

#include "Clock.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"

#include <QSettings>

QDateTime SettingsUpdateState::nowUtc() const
{
    return Clock::nowUtc();
}

QDateTime SettingsUpdateState::lastCheck() const
{
    return DateTimeUtils::fromUTCString(QSettings().value(Keys::updateLastCheck).toString());
}

void SettingsUpdateState::setLastCheck(const QDateTime& utc)
{
    QSettings().setValue(Keys::updateLastCheck, DateTimeUtils::toUTCString(utc));
}

QString SettingsUpdateState::skippedVersion() const
{
    return QSettings().value(Keys::updateSkippedVersion).toString();
}

void SettingsUpdateState::setSkippedVersion(const QString& version)
{
    QSettings().setValue(Keys::updateSkippedVersion, version);
}
