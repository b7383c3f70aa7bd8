#pragma once

#include "WindowInfo.h"

#include <QMap>
#include <QMutex>
#include <QString>

// Answers which application and window the user has in front right now.
class WindowDetector
{
public:
    WindowDetector();
    virtual ~WindowDetector();

    // Never fails: empty fields come back as the empty marker.
    virtual WindowInfo detect();
    // Reads the foreground window from the X server; fields that cannot be read keep
    // the unknown marker.
    virtual void readForegroundWindow(WindowInfo& out);

    // For a browser window with addresses allowed: strips the browser suffix from the
    // title and fills the page address from the cache, refreshing it when needed.
    void addInternetExplorerUrl(WindowInfo& out);
    // Asks PowerShell for the open browser windows and caches their addresses by title.
    static void refreshIeUrls();
    static QString cachedIeUrl(const QString& title);

    // How long a helper program may take to print its answer.
    static constexpr int helperTimeoutMs = 5000;

protected:
    // The window-system part of the reading: app name, title. False when no window is in front.
    virtual bool readFromDisplay(WindowInfo& out);

private:
    static QMap<QString, QString> ieUrlCache;
    static QMutex ieUrlCacheMutex;
};
