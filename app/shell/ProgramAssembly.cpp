#include "ProgramAssembly.h"

#include "CaptureAssembly.h"
#include "QtLog.h"

#include <QApplication>
#include <QThread>

ProgramAssembly::ProgramAssembly(QApplication& app) : _app(app) {}

ProgramAssembly::~ProgramAssembly() = default;

void ProgramAssembly::atPointA()
{
    // User info and crash reporting join here.
}

void ProgramAssembly::atPointB(CaptureAssembly&)
{
    // Uploader, start-up registration, updates and the tray controller join here.
}

void ProgramAssembly::atPointC(CaptureAssembly& capture)
{
    capture.uninstallHooks();
    capture.stopMouseMonitor();
    capture.stopEventManager();
    capture.stopOutlookDetector();
    waitForThreads(capture);
}

void ProgramAssembly::waitForThreads(CaptureAssembly& capture)
{
    while (!capture.isEventManagerTerminated()) {
        QThread::sleep(1);
        QtLog::debug() << "Waiting threads to finish...";
    }
}
