#pragma once

#include "WaylandAppName.h"
#include "WindowDetector.h"

class KWinWindowSource;

// The window detector of a KDE Plasma Wayland session: the window KWin's script last
// reported, named by its process as on X11.
class KWinWindowDetector : public WindowDetector
{
public:
    // The source is not owned and must outlive the detector.
    explicit KWinWindowDetector(const KWinWindowSource* source,
                                const QStringList& dataDirs = WaylandAppName::xdgDataDirs());

protected:
    bool readFromDisplay(WindowInfo& out) override;

private:
    const KWinWindowSource* const _source;
    WaylandAppName _names;
};
