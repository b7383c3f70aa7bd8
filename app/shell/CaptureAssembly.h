#pragma once

#include <memory>

class EventHandler;
class EventManager;
class KWinWindowSource;
class GnomeSession;
class SleepWatcher;
class MouseMonitorWindows;
class OutlookSubjectDetector;
class UserEventSampler;
class WaylandSession;
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
    // On a Wayland session: connects and says what the compositor offers. False when the
    // capture should read X11 instead (no compositor answers).
    bool connectWayland();
    // Where the compositor offers no protocol for either: Mutter's idle monitor and the shell
    // extension on the session bus. False when Mutter is not there.
    bool connectGnome();
    void startWayland();

    std::unique_ptr<EventManager> _eventManager;
    // Wayland sessions only: the compositor connection the detector reads and whose idle
    // notices take the hooks' place. Outlives the detector.
    std::unique_ptr<WaylandSession> _wayland;
    // KDE Plasma only: the script in KWin that tells the foreground window.
    std::unique_ptr<KWinWindowSource> _kwin;
    // GNOME sessions only: the source of both in place of the compositor's protocols.
    std::unique_ptr<GnomeSession> _gnome;
    std::unique_ptr<WindowDetector> _windowDetector;
    std::unique_ptr<UserEventSampler> _sampler;
    std::unique_ptr<EventHandler> _eventHandler;
    std::unique_ptr<MouseMonitorWindows> _mouseMonitor;
    std::unique_ptr<OutlookSubjectDetector> _outlookDetector;
    std::unique_ptr<SleepWatcher> _sleepWatcher;
};
