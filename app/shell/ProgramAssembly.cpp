#include "ProgramAssembly.h"

#include "CaptureAssembly.h"
#include "LarkspanIcons.h"
#include "LoginPrompt.h"
#include "QtLog.h"
#include "TimeLogUploader.h"

#include <QApplication>
#include <QThread>

ProgramAssembly::ProgramAssembly(QApplication& app) : _app(app) {}

ProgramAssembly::~ProgramAssembly()
{
    _loginPrompt.reset();
    _uploader.reset();
}

void ProgramAssembly::atPointA()
{
    _userInfo = UserInfo::load();
    // Crash reporting joins here.
}

void ProgramAssembly::atPointB(CaptureAssembly&)
{
    _uploader = std::make_unique<TimeLogUploader>();
    _uploader->start(QThread::InheritPriority);
    // Start-up registration and updates join here.

    QApplication::setWindowIcon(LarkspanIcons::applicationIcon());
    _loginPrompt = std::make_unique<LoginPrompt>(nullptr, nullptr /* the updater, once there is one */);

    QtLog::debug() << "Checking if login is needed";
    const bool loggedIn = _userInfo.isLoggedIn();
    QtLog::debug() << "loggedIn: " << loggedIn;
    if (!loggedIn) {
        _loginPrompt->setTrayActionsEnabled(false);
        _loginPrompt->openLoginPage();
        _loginPrompt->showLoginWindow(true);
    }
}

void ProgramAssembly::atPointC(CaptureAssembly& capture)
{
    if (_loginPrompt)
        _loginPrompt->hideTrayIcon();
    capture.uninstallHooks();
    capture.stopMouseMonitor();
    capture.stopEventManager();
    if (_uploader) {
        _uploader->stop();
        _uploader->quit();
        _uploader->wait();
    }
    capture.stopOutlookDetector();
    waitForThreads(capture);
    // Destroyed before the capture objects, in reverse order of creation.
    _loginPrompt.reset();
    _uploader.reset();
}

void ProgramAssembly::waitForThreads(CaptureAssembly& capture)
{
    while (!capture.isEventManagerTerminated() || (_uploader && !_uploader->isTerminated())) {
        QThread::sleep(1);
        QtLog::debug() << "Waiting threads to finish...";
    }
}
