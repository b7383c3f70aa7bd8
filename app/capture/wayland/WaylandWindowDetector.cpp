#include "WaylandWindowDetector.h"

#include "HyprlandIpc.h"
#include "SwayIpc.h"
#include "WaylandSession.h"

CaptureBackend chooseCaptureBackend(const QProcessEnvironment& environment)
{
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return CaptureBackend::Wayland;
    if (environment.value(QStringLiteral("XDG_SESSION_TYPE")).compare(QLatin1String("wayland"), Qt::CaseInsensitive)
        == 0)
        return CaptureBackend::Wayland;
    return CaptureBackend::X11;
}

WaylandWindowDetector::WaylandWindowDetector(WaylandSession* session, const QStringList& dataDirs)
    : _session(session),
      _swaySocket(SwayIpc::socketPath()),
      _hyprlandSocket(_swaySocket.isEmpty() ? HyprlandIpc::socketPath() : QString()),
      _names(dataDirs)
{}

bool WaylandWindowDetector::readFromDisplay(WindowInfo& out)
{
    const WaylandToplevel toplevel = _session->activeToplevel();
    if (!toplevel.found)
        return false;
    out.windowTitle = toplevel.title;
    const QString name = _names.forToplevel(toplevel.appId, compositorPid(toplevel.appId));
    // Neither a process, an entry nor an app_id: the unknown marker stays.
    if (!name.isEmpty())
        out.appName = name;
    return true;
}

qint64 WaylandWindowDetector::compositorPid(const QString& appId) const
{
    // The focus may have moved between the two answers: the pid must be the toplevel's.
    if (!_swaySocket.isEmpty()) {
        const SwayIpc::FocusedWindow focused = SwayIpc::focusedWindow(_swaySocket);
        if (!focused.found || (focused.appId != appId && focused.windowClass != appId))
            return 0;
        return focused.pid;
    }
    if (!_hyprlandSocket.isEmpty()) {
        const HyprlandIpc::ActiveWindow active = HyprlandIpc::activeWindow(_hyprlandSocket);
        if (!active.found || (active.windowClass != appId && active.initialClass != appId))
            return 0;
        return active.pid;
    }
    return 0;
}
