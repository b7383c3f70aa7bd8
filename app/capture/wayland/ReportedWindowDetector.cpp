#include "ReportedWindowDetector.h"

#include <utility>

ReportedWindowDetector::ReportedWindowDetector(Reader read, const QStringList& dataDirs)
    : _read(std::move(read)), _names(dataDirs)
{}

bool ReportedWindowDetector::readFromDisplay(WindowInfo& out)
{
    const ReportedWindow window = _read();
    if (!window.found)
        return false;
    out.windowTitle = window.title;
    // The process first; a window whose process is gone is named by its class's entry.
    const QString name = _names.forToplevel(window.windowClass, window.pid);
    if (!name.isEmpty())
        out.appName = name;
    return true;
}
