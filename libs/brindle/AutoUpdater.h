#pragma once

#include <QString>

// What the windows and the program assembly ask of automatic updates. The tray's
// "Check for Updates..." and the preferences' channel and frequency go through it;
// the implementation decides how appcasts are fetched, shown and installed.
class AutoUpdater
{
public:
    virtual ~AutoUpdater() = default;
    virtual void checkForUpdatesWithUI() = 0;
    virtual void checkForUpdatesInBackground() = 0;
    virtual void setUpdateCheckInterval(int seconds) = 0;
    virtual void setUpdateUrl(const QString& appcastUrl) = 0;
};
