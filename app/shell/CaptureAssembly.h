#pragma once

// Creates, starts and stops the objects that observe the user: the event manager, the
// window detector and its sampler, the hook handler, the cursor poller and the Outlook
// subject detector. Built at point B, before the program assembly; the teardown steps
// are separate so the program assembly can interleave its own between them.
class CaptureAssembly
{
public:
    CaptureAssembly();
    ~CaptureAssembly();
    CaptureAssembly(const CaptureAssembly&) = delete;
    CaptureAssembly& operator=(const CaptureAssembly&) = delete;

    void uninstallHooks();
    void stopMouseMonitor();
    void stopEventManager();
    void stopOutlookDetector();
    bool isEventManagerTerminated() const;
};
