#include "KWinWindowDetector.h"

#include "KWinWindowSource.h"

KWinWindowDetector::KWinWindowDetector(const KWinWindowSource* source, const QStringList& dataDirs)
    : _source(source), _names(dataDirs)
{}

bool KWinWindowDetector::readFromDisplay(WindowInfo& out)
{
    const KWinActiveWindow window = _source->activeWindow();
    if (!window.found)
        return false;
    out.windowTitle = window.caption;
    // The process first; a window whose process is gone is named by its class's entry.
    const QString name = _names.forToplevel(window.resourceClass, window.pid);
    if (!name.isEmpty())
        out.appName = name;
    return true;
}
