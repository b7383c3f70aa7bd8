#pragma once

#include <QDateTime>
#include <QString>

// What the updater keeps from one run to the next, and the clock it reads. The program
// hands in its settings and its clock; the library itself knows neither.
class UpdateState
{
public:
    virtual ~UpdateState() = default;

    virtual QDateTime nowUtc() const = 0;
    // When the last check ran (UTC); invalid before the first.
    virtual QDateTime lastCheck() const = 0;
    virtual void setLastCheck(const QDateTime& utc) = 0;
    // The version the user chose to skip; background checks do not offer it again.
    virtual QString skippedVersion() const = 0;
    virtual void setSkippedVersion(const QString& version) = 0;
};
