#pragma once

#include "WaylandAppName.h"
#include "WindowDetector.h"

#include <QString>

#include <functional>

// The window in front as a component of the desktop itself reports it (Larkspan's KWin
// script, its GNOME Shell extension), where the compositor tells no client.
struct ReportedWindow {
    // 0 when the reporter named no usable process.
    qint64 pid = 0;
    // KWin's resource class, GNOME's WM class: for a native window, its app_id.
    QString windowClass;
    // Cut to the same length as X11 titles.
    QString title;
    // False while nothing is in front, or nothing was reported: the window stays unknown,
    // never guessed.
    bool found = false;
};

// The window detector of a session whose window comes from such a reporter: the
// application is named by its process as on X11, else by its class's desktop entry.
class ReportedWindowDetector : public WindowDetector
{
public:
    // Thread-safe, answered without a round trip: the sampler calls it on every input.
    using Reader = std::function<ReportedWindow()>;

    explicit ReportedWindowDetector(Reader read, const QStringList& dataDirs = WaylandAppName::xdgDataDirs());

protected:
    bool readFromDisplay(WindowInfo& out) override;

private:
    const Reader _read;
    WaylandAppName _names;
};
