#include "CaptureAssembly.h"

#include "AppSignals.h"
#include "DisplayLossGuard.h"
#include "EventHandler.h"
#include "EventManager.h"
#include "GnomeSession.h"
#include "KWinWindowSource.h"
#include "MouseMonitorWindows.h"
#include "OutlookSubjectDetector.h"
#include "QtLog.h"
#include "ReportedWindowDetector.h"
#include "ShutdownStep.h"
#include "SleepWatcher.h"
#include "UserEventSampler.h"
#include "WaylandSession.h"
#include "WaylandWindowDetector.h"
#include "WindowDetector.h"
#include "ferrule.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QTimer>

CaptureAssembly::CaptureAssembly()
{
    _eventManager = std::make_unique<EventManager>();
    const bool wayland =
        chooseCaptureBackend(QProcessEnvironment::systemEnvironment()) == CaptureBackend::Wayland && connectWayland();
    if (_kwin)
        _windowDetector =
            std::make_unique<ReportedWindowDetector>([kwin = _kwin.get()] { return kwin->activeWindow(); });
    else if (wayland && _gnome)
        _windowDetector =
            std::make_unique<ReportedWindowDetector>([gnome = _gnome.get()] { return gnome->focusedWindow(); });
    else if (wayland)
        _windowDetector = std::make_unique<WaylandWindowDetector>(_wayland.get());
    else
        _windowDetector = std::make_unique<WindowDetector>();
    _sampler = std::make_unique<UserEventSampler>(_eventManager.get(), _windowDetector.get());
    _eventHandler = std::make_unique<EventHandler>(_sampler.get());
    SetKeyboardEventHandler(_eventHandler.get());
    SetMouseEventHandler(_eventHandler.get());
    if (wayland)
        _mouseMonitor = std::make_unique<WaylandMouseMonitor>(_sampler.get());
    else
        _mouseMonitor = std::make_unique<MouseMonitorWindows>(_sampler.get());
    _mouseMonitor->start(QThread::InheritPriority);
    if (wayland) {
        startWayland();
    } else {
        // Without hooks (no X display, no XInput 2.2) the cursor poller still reports activity.
        InstallHooks();
    }
    _outlookDetector = std::make_unique<OutlookSubjectDetector>(_eventManager.get());
    _outlookDetector->start(QThread::InheritPriority);
    _eventManager->start(QThread::InheritPriority);
    EventManager* manager = _eventManager.get();
    _sleepWatcher = std::make_unique<SleepWatcher>([manager](bool sleeping) { manager->prepareForSleep(sleeping); });
}

bool CaptureAssembly::connectWayland()
{
    _wayland = WaylandSession::connect(qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (!_wayland) {
        LK_INFO() << "CaptureAssembly - no Wayland compositor answers, reading X11 instead";
        return false;
    }
    // KWin has no toplevel protocol; a compositor that has one is read through it alone.
    if (_wayland->offer().toplevelProtocol.isEmpty()) {
        _kwin = KWinWindowSource::start();
        if (_kwin)
            _wayland->useWindowSource(QStringLiteral("KWin script"));
        else if (KWinWindowSource::kwinAnswers())
            _wayland->noteFailedWindowSource(QStringLiteral("KWin script"));
    }
    const WaylandOffer& offer = _wayland->offer();
    if (offer.canTrack()) {
        LK_INFO().noquote()
            << "CaptureAssembly - Wayland session, foreground window and input activity from the compositor:"
            << offer.described();
        return true;
    }
    if (connectGnome())
        return true;
    LK_INFO().noquote() << "CaptureAssembly - Wayland session, nothing is tracked: the compositor does not tell"
                        << offer.missing() << "(it offers" << offer.described() + QLatin1Char(')');
    // Once the tray is up to show it.
    QTimer::singleShot(0, QCoreApplication::instance(), [protocols = offer.missingProtocols()] {
        emit AppSignals::instance()->showMessage(
            QStringLiteral("Larkspan"),
            QCoreApplication::translate("CaptureAssembly",
                                        "This desktop does not tell Larkspan which window is in front and when you "
                                        "work (missing: %1), so no time is tracked.")
                .arg(protocols));
    });
    return true;
}

bool CaptureAssembly::connectGnome()
{
    _gnome = GnomeSession::connect();
    if (!_gnome)
        return false;
    LK_INFO() << "CaptureAssembly - GNOME session, input activity from Mutter's idle monitor, foreground window from "
                 "the GNOME Shell extension"
              << LARKSPAN_GNOME_SHELL_EXTENSION_UUID;
    return true;
}

void CaptureAssembly::startWayland()
{
    // A session that cannot be seen into reports no activity at all: no sample could be
    // true, and without activity after an absence the manual time prompt never comes up.
    WaylandSession::Activity activity;
    if (_wayland->offer().canTrack() || _gnome) {
        EventHandler* handler = _eventHandler.get();
        activity = [handler] { handler->onKeyboardEvent(0, 0); };
    }
    if (_gnome) {
        _gnome->start(std::move(activity), [] {
            // Once the tray is up to show it, and on its thread.
            QTimer::singleShot(0, QCoreApplication::instance(), [] {
                emit AppSignals::instance()->showMessage(
                    QStringLiteral("Larkspan"),
                    QCoreApplication::translate("CaptureAssembly",
                                                "Larkspan cannot see which window is in front: its GNOME Shell "
                                                "extension is not enabled, so your time is recorded under an unknown "
                                                "window. Enable it with:\n%1")
                        .arg(QStringLiteral("gnome-extensions enable " LARKSPAN_GNOME_SHELL_EXTENSION_UUID)));
            });
        });
        // The compositor connection stays for its loss alone: Mutter's activity comes above.
        activity = nullptr;
    }
    _wayland->start(std::move(activity), [] {
        // The session's thread cannot stop itself: the GUI thread stores and quits.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [] { DisplayLossGuard::sessionLost(QStringLiteral("the Wayland compositor is gone")); },
            Qt::QueuedConnection);
    });
}

CaptureAssembly::~CaptureAssembly()
{
    _sleepWatcher.reset();
    _outlookDetector.reset();
    _mouseMonitor.reset();
    _eventHandler.reset();
    _sampler.reset();
    _windowDetector.reset();
    _kwin.reset();
    _gnome.reset();
    _wayland.reset();
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
    _kwin.reset();
    _gnome.reset();
    _wayland.reset();
    shutdownStep("destroying EventManager...");
    _eventManager.reset();
}

void CaptureAssembly::uninstallHooks()
{
    LK_DEBUG() << "UnInstalling hooks...";
    // On Wayland the session's thread is the hook: no activity call after it has stopped.
    if (_gnome)
        _gnome->stop();
    if (_wayland)
        _wayland->stop();
    if (_kwin)
        _kwin->unload();
    if (!_wayland)
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
