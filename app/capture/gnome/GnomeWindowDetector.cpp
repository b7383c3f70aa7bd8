#include "GnomeWindowDetector.h"

#include "GnomeSession.h"

GnomeWindowDetector::GnomeWindowDetector(GnomeSession* session, const QStringList& dataDirs)
    : _session(session), _names(dataDirs)
{}

bool GnomeWindowDetector::readFromDisplay(WindowInfo& out)
{
    const GnomeFocusedWindow window = _session->focusedWindow();
    if (!window.found)
        return false;
    out.windowTitle = window.title;
    // For a native window the WM class is its app_id, which names a desktop entry.
    const QString name = _names.forToplevel(window.wmClass, window.pid);
    if (!name.isEmpty())
        out.appName = name;
    return true;
}
