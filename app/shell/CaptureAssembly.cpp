#include "CaptureAssembly.h"

// The capture components arrive with the event manager and the X11 capture layer;
// until then the program runs its event loop without tracking.

CaptureAssembly::CaptureAssembly() = default;

CaptureAssembly::~CaptureAssembly() = default;

void CaptureAssembly::uninstallHooks() {}

void CaptureAssembly::stopMouseMonitor() {}

void CaptureAssembly::stopEventManager() {}

void CaptureAssembly::stopOutlookDetector() {}

bool CaptureAssembly::isEventManagerTerminated() const
{
    return true;
}
