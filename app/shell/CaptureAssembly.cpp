#include "CaptureAssembly.h"

#include "EventHandler.h"
#include "EventManager.h"
#include "MouseMonitorWindows.h"
#include "OutlookSubjectDetector.h"
#include "QtLog.h"
#include "ShutdownStep.h"
#include "SleepWatcher.h"
#include "UserEventSampler.h"
#include "WindowDetector.h"
#include "ferrule.h"

CaptureAssembly::CaptureAssembly()
{
    _eventManager = std::make_unique<EventManager>();
    _windowDetector = std::make_unique<WindowDetector>();
    _sampler = std::make_unique<UserEventSampler>(_eventManager.get(), _windowDetector.get());
    _eventHandler = std::make_unique<EventHandler>(_sampler.get());
    SetKeyboardEventHandler(_eventHandler.get());
    SetMouseEventHandler(_eventHandler.get());
    _mouseMonitor = std::make_unique<MouseMonitorWindows>(_sampler.get());
    _mouseMonitor->start(QThread::InheritPriority);
    // Without hooks (no X display, no XInput 2.2) the cursor poller still reports activity.
    InstallHooks();
    _outlookDetector = std::make_unique<OutlookSubjectDetector>(_eventManager.get());
    _outlookDetector->start(QThread::InheritPriority);
    _eventManager->start(QThread::InheritPriority);
    EventManager* manager = _eventManager.get();
    _sleepWatcher = std::make_unique<SleepWatcher>([manager](bool sleeping) { manager->prepareForSleep(sleeping); });
}

CaptureAssembly::~CaptureAssembly()
{
    _sleepWatcher.reset();
    _outlookDetector.reset();
    _mouseMonitor.reset();
    _eventHandler.reset();
    _sampler.reset();
    _windowDetector.reset();
    _eventManager.reset();
}

void CaptureAssembly::destroyObjects()
{
    _sleepWatcher.reset();
    shutdownStep("destroying OutlookSubjectDetector...");
    _outlookDetector.reset();
    shutdownStep("destroying MouseMonitorWindows...");
    _mouseMonitor.reset();
    shutdownStep("destroying EventHandler...");
    _eventHandler.reset();
    shutdownStep("destroying UserEventSampler...");
    _sampler.reset();
    shutdownStep("destroying WindowDetector...");
    _windowDetector.reset();
    shutdownStep("destroying EventManager...");
    _eventManager.reset();
}

void CaptureAssembly::uninstallHooks()
{
    LK_DEBUG() << "UnInstalling hooks...";
    UnInstallHooks();
    // Nothing may call into the handler once it is gone.
    SetKeyboardEventHandler(nullptr);
    SetMouseEventHandler(nullptr);
}

void CaptureAssembly::stopMouseMonitor()
{
    shutdownStep("stopping MouseMonitorWindows...");
    _mouseMonitor->stopAndWait();
}

void CaptureAssembly::stopEventManager()
{
    // No more announcements for a manager that is going.
    _sleepWatcher.reset();
    shutdownStep("stopping EventManager...");
    _eventManager->stopAndWait();
}

void CaptureAssembly::stopOutlookDetector()
{
    shutdownStep("stopping OutlookSubjectDetector (at most 3 s)...");
    if (!_outlookDetector->stopAndWait(3000)) {
        // Its object must not be destroyed while it runs; the subject reader wait is
        // bounded and cut short by stop(), so this second wait ends soon.
        LK_WARNING() << "OutlookSubjectDetector did not stop within 3 s, waiting on...";
        _outlookDetector->wait();
    }
}

bool CaptureAssembly::isEventManagerTerminated() const
{
    return _eventManager->isTerminated();
}
