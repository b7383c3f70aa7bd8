#include "ProgramAssembly.h"

#include "CaptureAssembly.h"
#include "QtLog.h"
#include "TimeLogUploader.h"

#include <QApplication>
#include <QThread>

ProgramAssembly::ProgramAssembly(QApplication& app) : _app(app) {}

ProgramAssembly::~ProgramAssembly()
{
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
    // Start-up registration, updates and the tray controller join here.
}

void ProgramAssembly::atPointC(CaptureAssembly& capture)
{
    stopWorkers(capture);
    // Destroyed before the capture objects, in reverse order of creation.
    _uploader.reset();
}

void ProgramAssembly::stopWorkers(CaptureAssembly& capture)
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
}

void ProgramAssembly::waitForThreads(CaptureAssembly& capture)
{
    while (!capture.isEventManagerTerminated() || (_uploader && !_uploader->isTerminated())) {
        QThread::sleep(1);
        QtLog::debug() << "Waiting threads to finish...";
    }
}
