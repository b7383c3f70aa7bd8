#include "ProgramAssembly.h"

#include "AppUtils.h"
#include "CaptureAssembly.h"
#include "CrashTestTrigger.h"
#include "QCrashpad.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TimeLogUploader.h"

#include <QApplication>
#include <QMap>
#include <QSysInfo>
#include <QThread>

ProgramAssembly::ProgramAssembly(QApplication& app) : _app(app) {}

ProgramAssembly::~ProgramAssembly()
{
    _uploader.reset();
}

void ProgramAssembly::atPointA()
{
    _userInfo = UserInfo::load();
    _crashpad = new QCrashpad(&_app);
    const QMap<QString, QString> annotations {
        {QStringLiteral("lkVersion"), QStringLiteral("%1.%2").arg(AppConstants::version,
            AppUtils::readFileToString(QStringLiteral(":/build_number")).trimmed())},
        {QStringLiteral("cvUserId"), _userInfo.cvUserId()},
        {QStringLiteral("buildAbi"), QSysInfo::buildAbi()},
        {QStringLiteral("buildCpuArch"), QSysInfo::buildCpuArchitecture()},
        {QStringLiteral("currentOsName"), QSysInfo::prettyProductName()},
        {QStringLiteral("currentCpuArch"), QSysInfo::currentCpuArchitecture()}};
    _crashpad->start(AppConstants::crashUploadUrl(), annotations);
    CrashTestTrigger::armFromEnvironment(&_app);
}

void ProgramAssembly::atPointB(CaptureAssembly&)
{
    _uploader = std::make_unique<TimeLogUploader>();
    _uploader->start(QThread::InheritPriority);
    // Start-up registration, updates and the tray controller join here.
}

void ProgramAssembly::atPointC(CaptureAssembly& capture)
{
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
    _uploader.reset();
}

void ProgramAssembly::waitForThreads(CaptureAssembly& capture)
{
    while (!capture.isEventManagerTerminated() || (_uploader && !_uploader->isTerminated())) {
        QThread::sleep(1);
        QtLog::debug() << "Waiting threads to finish...";
    }
}
