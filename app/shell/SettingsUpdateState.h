#pragma once

#include "UpdateState.h"

// The updater's state in the per-user settings, on the program's clock (which tests can
// hold still).
class SettingsUpdateState : public UpdateState
{
public:
    QDateTime nowUtc() const override;
    QDateTime lastCheck() const override;
    void setLastCheck(const QDateTime& utc) override;
    QString skippedVersion() const override;
    void setSkippedVersion(const QString& version) override;
};
