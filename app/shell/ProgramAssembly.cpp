#include "ProgramAssembly.h"

#include "AppUtils.h"
#include "AutoUpdaterWinSparkle.h"
#include "CaptureAssembly.h"
#ifdef LARKSPAN_CRASH_TEST_HOOK
#include "CrashTestTrigger.h"
#endif
#include "LarkspanIcons.h"
#include "LoginPrompt.h"
#include "QCrashpad.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "SettingsUpdateState.h"
#include "ShutdownStep.h"
#include "TimeLogUploader.h"
#include "TrayMenu.h"
#include "winsparkle.h"

#include <QApplication>
#include <QMap>
#include <QSettings>
#include <QSysInfo>
#include <QThread>

ProgramAssembly::ProgramAssembly(QApplication& app) : _app(app) {}

namespace {

// How long "Logout & Quit" waits for the service to take what the leaving user has pending.
constexpr int kLogoutUploadMsecs = 10000;

} // namespace

ProgramAssembly::~ProgramAssembly()
{
    // Only when afterEventLoop did not run (a test that sets up parts of the program).
    _loginPrompt.reset();
    _updater.reset();
    _uploader.reset();
}

void ProgramAssembly::afterSingleInstanceCheck()
{
    // A "Logout & Quit" whose run ended before it could finish: the user is logged out now,
    // before anything could be uploaded or tracked in their name.
    if (QSettings().value(Keys::logoutPending, false).toBool())
        completeLogout();
    _userInfo = UserInfo::load();
    _crashpad = std::make_unique<QCrashpad>(&_app);
    _crashAnnotations = {
        {QStringLiteral("lkVersion"),
         QStringLiteral("%1.%2").arg(AppConstants::version,
                                     AppUtils::readFileToString(QStringLiteral(":/build_number")).trimmed())},
        {QStringLiteral("cvUserId"), _userInfo->cvUserId()},
        {QStringLiteral("buildAbi"), QSysInfo::buildAbi()},
        {QStringLiteral("buildCpuArch"), QSysInfo::buildCpuArchitecture()},
        {QStringLiteral("currentOsName"), QSysInfo::prettyProductName()},
        {QStringLiteral("currentCpuArch"), QSysInfo::currentCpuArchitecture()}};
    _crashUrl = AppConstants::crashUploadUrl();
    _crashpad->start(_crashUrl, _crashAnnotations);
#ifdef LARKSPAN_CRASH_TEST_HOOK
    CrashTestTrigger::armFromEnvironment(&_app);
#endif
}

void ProgramAssembly::afterCaptureAssembly()
{
    _uploader = std::make_unique<TimeLogUploader>();
    _uploader->start(QThread::InheritPriority);
    // Registers only an installed copy, under the identifier its desktop entry carries.
    AppUtils::registerStartup(_app, QStringLiteral(LARKSPAN_APP_ID));
    setUpAutomaticUpdates();
    createTrayController();
}

void ProgramAssembly::setUpAutomaticUpdates()
{
    QSettings settings;
    const bool enabled = settings.value(Keys::updateEnabled, Defaults::updateEnabledAtStartup).toBool();
    const int interval = settings.value(Keys::updateInterval, Defaults::updateInterval).toInt();
    const bool beta = settings.value(Keys::updateBetaChannel, Defaults::updateBetaChannel).toBool();
    const QString url = AppConstants::appcastUrl(beta, AppUtils::isCompiledWith64bit());
    LK_DEBUG().nospace() << "Windows update URL: " << url;
    _updater = std::make_unique<AutoUpdaterWinSparkle>(AppUtils::getFullAppVersion(AppConstants::version), url,
                                                       std::make_unique<SettingsUpdateState>());
    if (enabled && !iniSettings().value(IniKeys::updateDisabled, false).toBool()) {
        _updater->setUpdateCheckInterval(interval);
        win_sparkle_set_automatic_check_for_updates(1);
    } else {
        LK_DEBUG() << "Auto-update is disabled on Windows.";
        win_sparkle_set_automatic_check_for_updates(0);
    }
}

AutoUpdater* ProgramAssembly::updater() const
{
    return _updater.get();
}

void ProgramAssembly::showMenuAtPointer()
{
    if (!_loginPrompt)
        return;
    if (_loginPrompt->isVisible()) {
        _loginPrompt->raise();
        _loginPrompt->activateWindow();
        return;
    }
    _loginPrompt->tray()->showAtPointer();
}

void ProgramAssembly::createTrayController()
{
    QApplication::setWindowIcon(LarkspanIcons::applicationIcon());
    // Names the installed desktop entry for desktops that match windows by it (on X11 the
    // entry's StartupWMClass matches our window class "Larkspan").
    QGuiApplication::setDesktopFileName(QStringLiteral(LARKSPAN_APP_ID));
    _loginPrompt = std::make_unique<LoginPrompt>(nullptr, _updater.get());

    LK_DEBUG() << "Checking if login is needed";
    const bool loggedIn = _userInfo && _userInfo->isLoggedIn();
    LK_DEBUG() << "loggedIn: " << loggedIn;
    if (!loggedIn) {
        _loginPrompt->setTrayActionsEnabled(false);
        _loginPrompt->openLoginPage();
        _loginPrompt->showLoginWindow(true);
    }
}

void ProgramAssembly::afterEventLoop(CaptureAssembly& capture)
{
    shutdownStep("hiding the tray icon...");
    if (_loginPrompt)
        _loginPrompt->hideTrayIcon();
    // No update check or download may start or go on from here.
    shutdownStep("win_sparkle_cleanup...");
    win_sparkle_cleanup();
    stopWorkers(capture);
    if (QSettings().value(Keys::logoutPending, false).toBool()) {
        // The event manager's final build has stored the last logs for the leaving user.
        shutdownStep("uploading for the user who logs out...");
        if (_uploader)
            _uploader->uploadPendingBeforeLogout(kLogoutUploadMsecs);
        completeLogout();
    }

    // Everything in reverse order of creation; the threads are all finished.
    shutdownStep("destroying LoginPrompt...");
    _loginPrompt.reset();
    shutdownStep("destroying TimeLogUploader...");
    _uploader.reset();
    capture.destroyObjects();
    shutdownStep("destroying the crash annotations and URL...");
    _crashAnnotations.clear();
    _crashUrl.clear();
    // The handler process stays: it ends by itself once the program has gone, and the
    // crash signal handlers stay armed until then.
    shutdownStep("destroying QCrashpad...");
    _crashpad.reset();
    shutdownStep("destroying UserInfo...");
    _userInfo.reset();
}

void ProgramAssembly::completeLogout()
{
    LK_INFO() << "Logging out the user; their logs not sent stay stored for them";
    UserInfo userInfo = UserInfo::load();
    userInfo.logout();
    QSettings().remove(Keys::logoutPending);
}

void ProgramAssembly::stopWorkers(CaptureAssembly& capture)
{
    capture.uninstallHooks();
    capture.stopMouseMonitor();
    shutdownStep("deleting the updater...");
    _updater.reset();
    capture.stopEventManager();
    shutdownStep("stopping TimeLogUploader...");
    if (_uploader)
        _uploader->stopAndWait();
    capture.stopOutlookDetector();
    shutdownStep("waiting for EventManager and TimeLogUploader to terminate...");
    waitForThreads(capture);
}

void ProgramAssembly::waitForThreads(CaptureAssembly& capture)
{
    while (!capture.isEventManagerTerminated() || (_uploader && !_uploader->isTerminated())) {
        QThread::sleep(1);
        LK_DEBUG() << "Waiting threads to finish...";
    }
}
