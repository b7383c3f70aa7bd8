#pragma once

#include "WaylandAppName.h"
#include "WindowDetector.h"

class GnomeSession;

// The window detector of a GNOME session: the focused window as Larkspan's shell extension
// reports it, named as on X11 by the process behind it. Without the extension the window
// stays unknown: Mutter offers nothing to guess from.
class GnomeWindowDetector : public WindowDetector
{
public:
    // The session is not owned and must outlive the detector.
    explicit GnomeWindowDetector(GnomeSession* session, const QStringList& dataDirs = WaylandAppName::xdgDataDirs());

protected:
    bool readFromDisplay(WindowInfo& out) override;

private:
    GnomeSession* const _session;
    WaylandAppName _names;
};
