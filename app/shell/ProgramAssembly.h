#pragma once

#include "UserInfo.h"

#include <QMap>
#include <QString>

#include <memory>
#include <optional>

class QApplication;
class AutoUpdater;
class AutoUpdaterWinSparkle;
class QCrashpad;
class CaptureAssembly;
class LoginPrompt;
class TimeLogUploader;

// Completes the running program around the capture assembly and fixes the whole
// shutdown order. Each step is named after the moment of the start-up or shutdown it
// belongs to; afterEventLoop stops and destroys everything, the capture objects included,
// and logs each step at debug level.
class ProgramAssembly
{
public:
    explicit ProgramAssembly(QApplication& app);
    ~ProgramAssembly();
    ProgramAssembly(const ProgramAssembly&) = delete;
    ProgramAssembly& operator=(const ProgramAssembly&) = delete;

    // Loads the user and starts crash reporting, before the start-up settings are written.
    void afterSingleInstanceCheck();
    // Starts the uploader, registers start at login, sets up updates and the tray controller.
    void afterCaptureAssembly();
    // Stops the threads and destroys every object of both assemblies, in order.
    void afterEventLoop(CaptureAssembly& capture);
    // The threads' part of afterEventLoop: stops them in order, with the event manager's
    // final build. Also what runs when the X display goes away and the toolkit ends the
    // process.
    void stopWorkers(CaptureAssembly& capture);

    // afterCaptureAssembly's automatic updates: channel, interval and the two developer
    // switches.
    void setUpAutomaticUpdates();
    // For the tray controller and the preferences; null before afterCaptureAssembly and
    // after shutdown.
    AutoUpdater* updater() const;
    // What a second start asks for: the menu at the pointer, or the login window when it
    // is up (the menu is not offered while it is).
    void showMenuAtPointer();

private:
    // The tray controller, given the updater; opens the login when nobody is logged in.
    void createTrayController();
    // Logs the user out and clears the pending logout.
    static void completeLogout();
    // Waits in 1-second steps until the threads that flush data report they are done.
    void waitForThreads(CaptureAssembly& capture);

    QApplication& _app;
    std::optional<UserInfo> _userInfo;
    std::unique_ptr<QCrashpad> _crashpad; // child of the application, deleted at shutdown
    QMap<QString, QString> _crashAnnotations;
    QString _crashUrl;
    std::unique_ptr<TimeLogUploader> _uploader;
    std::unique_ptr<AutoUpdaterWinSparkle> _updater;
    std::unique_ptr<LoginPrompt> _loginPrompt;
};
