#pragma once

#include <memory>

class EventHandler;
class EventManager;
class SleepWatcher;
class MouseMonitorWindows;
class OutlookSubjectDetector;
class UserEventSampler;
class WindowDetector;

// Creates, starts and stops the objects that observe the user: the event manager, the
// window detector and its sampler, the hook handler, the cursor poller and the Outlook
// subject detector. Built after the proxy set-up, before the program assembly; the
// teardown steps are separate so the program assembly can interleave its own between them.
class CaptureAssembly
{
public:
    CaptureAssembly();
    // Destroys what destroyObjects() has not; the threads must have been stopped.
    ~CaptureAssembly();
    CaptureAssembly(const CaptureAssembly&) = delete;
    CaptureAssembly& operator=(const CaptureAssembly&) = delete;

    void uninstallHooks();
    void stopMouseMonitor();
    void stopEventManager();
    void stopOutlookDetector();
    bool isEventManagerTerminated() const;
    // Destroys the objects in reverse order of creation, after every thread was waited for.
    void destroyObjects();

    EventManager& eventManager() { return *_eventManager; }

private:
    std::unique_ptr<EventManager> _eventManager;
    std::unique_ptr<WindowDetector> _windowDetector;
    std::unique_ptr<UserEventSampler> _sampler;
    std::unique_ptr<EventHandler> _eventHandler;
    std::unique_ptr<MouseMonitorWindows> _mouseMonitor;
    std::unique_ptr<OutlookSubjectDetector> _outlookDetector;
    std::unique_ptr<SleepWatcher> _sleepWatcher;
};
