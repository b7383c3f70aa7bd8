#pragma once

#include <memory>

class QApplication;
class CaptureAssembly;
class TimeLogUploader;

// Completes the running program around the capture assembly and fixes the whole
// shutdown order. atPointA runs after the single-instance check, atPointB after the
// capture assembly, atPointC after the event loop has returned.
class ProgramAssembly
{
public:
    explicit ProgramAssembly(QApplication& app);
    ~ProgramAssembly();
    ProgramAssembly(const ProgramAssembly&) = delete;
    ProgramAssembly& operator=(const ProgramAssembly&) = delete;

    void atPointA();
    void atPointB(CaptureAssembly& capture);
    void atPointC(CaptureAssembly& capture);
    // The threads' part of point C: stops them in order, with the event manager's final
    // build. Also what runs when the X display goes away and the toolkit ends the process.
    void stopWorkers(CaptureAssembly& capture);

private:
    // Waits in 1-second steps until the threads that flush data report they are done.
    void waitForThreads(CaptureAssembly& capture);

    QApplication& _app;
    std::unique_ptr<TimeLogUploader> _uploader;
};
