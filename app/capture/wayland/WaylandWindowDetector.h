#pragma once

#include "MouseMonitorWindows.h"
#include "WaylandAppName.h"
#include "WindowDetector.h"

#include <QProcessEnvironment>

class WaylandSession;

// Which window system the capture reads, chosen once at start: a Wayland session is read
// through the compositor alone, so no moment is seen twice (XWayland windows are
// toplevels like any other there).
enum class CaptureBackend { X11, Wayland };

// WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland": Wayland; else X11.
CaptureBackend chooseCaptureBackend(const QProcessEnvironment& environment);

// The window detector of a Wayland session: the toplevel the compositor marks as
// activated, named as on X11. Detection and input both come from the session.
class WaylandWindowDetector : public WindowDetector
{
public:
    // The session is not owned and must outlive the detector.
    explicit WaylandWindowDetector(WaylandSession* session,
                                   const QStringList& dataDirs = WaylandAppName::xdgDataDirs());

protected:
    bool readFromDisplay(WindowInfo& out) override;

private:
    // The process behind the focused window, where the compositor's IPC tells it; 0 else.
    qint64 compositorPid(const QString& appId) const;

    WaylandSession* const _session;
    const QString _swaySocket;
    const QString _hyprlandSocket;
    WaylandAppName _names;
};

// The cursor poller of a Wayland session: there is no global pointer position to read
// (XWayland knows it only over its own windows), and the compositor's idle notices already
// report every movement, so its polls report nothing. It keeps the thread's place in the
// start-up and shutdown order.
class WaylandMouseMonitor : public MouseMonitorWindows
{
public:
    using MouseMonitorWindows::MouseMonitorWindows;

protected:
    bool readCursor(int&, int&) override { return false; }
};
