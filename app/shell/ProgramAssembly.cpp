#include "ProgramAssembly.h"

#include "AppUtils.h"
#include "AutoUpdaterWinSparkle.h"
#include "CaptureAssembly.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TimeLogUploader.h"
#include "winsparkle.h"

#include <QApplication>
#include <QSettings>
#include <QThread>

ProgramAssembly::ProgramAssembly(QApplication& app) : _app(app) {}

ProgramAssembly::~ProgramAssembly()
{
    _updater.reset();
    _uploader.reset();
}

void ProgramAssembly::atPointA()
{
    // User info and crash reporting join here.
}

void ProgramAssembly::atPointB(CaptureAssembly&)
{
    _uploader = std::make_unique<TimeLogUploader>();
    _uploader->start(QThread::InheritPriority);
    // Start-up registration joins here.
    setUpAutomaticUpdates();
    // The tray controller joins here.
}

void ProgramAssembly::setUpAutomaticUpdates()
{
    QSettings settings;
    const bool enabled = settings.value(Keys::updateEnabled, Defaults::updateEnabledAtStartup).toBool();
    const int interval = settings.value(Keys::updateInterval, Defaults::updateInterval).toInt();
    const bool beta = settings.value(Keys::updateBetaChannel, Defaults::updateBetaChannel).toBool();
    const QString url = AppConstants::appcastUrl(beta, AppUtils::isCompiledWith64bit());
    QtLog::debug().nospace() << "Windows update URL: " << url;
    _updater = std::make_unique<AutoUpdaterWinSparkle>(
        AppUtils::getFullAppVersion(AppConstants::version), url);
    if (enabled && !iniSettings().value(IniKeys::updateDisabled, false).toBool()) {
        _updater->setUpdateCheckInterval(interval);
        win_sparkle_set_automatic_check_for_updates(1);
    } else {
        QtLog::debug() << "Auto-update is disabled on Windows.";
        win_sparkle_set_automatic_check_for_updates(0);
    }
}

AutoUpdater* ProgramAssembly::updater() const
{
    return _updater.get();
}

void ProgramAssembly::atPointC(CaptureAssembly& capture)
{
    // The tray icon is hidden first; then no update check or download may start or go on.
    win_sparkle_cleanup();
    capture.uninstallHooks();
    capture.stopMouseMonitor();
    _updater.reset();
    capture.stopEventManager();
    if (_uploader) {
        _uploader->stop();
        _uploader->quit();
        _uploader->wait();
    }
    capture.stopOutlookDetector();
    waitForThreads(capture);
    // Destroyed before the capture objects, in reverse order of creation.
    _uploader.reset();
}

void ProgramAssembly::waitForThreads(CaptureAssembly& capture)
{
    while (!capture.isEventManagerTerminated() || (_uploader && !_uploader->isTerminated())) {
        QThread::sleep(1);
        QtLog::debug() << "Waiting threads to finish...";
    }
}
