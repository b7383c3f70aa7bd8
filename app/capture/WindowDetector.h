#pragma once

#include "WindowInfo.h"

#include <QMap>
#include <QMutex>
#include <QString>

#include <memory>

class X11WindowReader;

// Answers which application and window the user has in front right now.
//
// Owns the X connection it reads through: it is closed when the detector is destroyed,
// which the capture assembly does only after every thread that detects has stopped.
class WindowDetector
{
public:
    WindowDetector();
    virtual ~WindowDetector();
    WindowDetector(const WindowDetector&) = delete;
    WindowDetector& operator=(const WindowDetector&) = delete;

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
    // Serialises its own X round trips: the hook thread and the cursor poller share it.
    const std::unique_ptr<X11WindowReader> _reader;

    static QMap<QString, QString> ieUrlCache;
    static QMutex ieUrlCacheMutex;
};
