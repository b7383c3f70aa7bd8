#include "AppSignals.h"
#include "AppUtils.h"
#include "CaptureAssembly.h"
#include "DisplayLossGuard.h"
#include "GraphicsSetup.h"
#include "InstanceChannel.h"
#include "ProgramAssembly.h"
#include "ProgramResources.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "Startup.h"
#include "UnixSignalWatcher.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QSettings>

#include <csignal>
#include <limits>
#include <sys/stat.h>

int main(int argc, char* argv[])
{
    // Everything we write (settings with tokens, the database, the log) is the user's alone.
    ::umask(077);
    // A display, compositor or server that goes away must not end the program in the middle
    // of a write to it: the write fails instead, and the toolkit's own loss path runs, which
    // the display-loss guard turns into an orderly stop that stores what was tracked.
    std::signal(SIGPIPE, SIG_IGN);

    // No periodic polling of network configurations. Qt 5.15 hands a negative value to a
    // timer, which refuses it with a warning at every start; the longest interval a timer
    // takes (about 24 days) switches polling off just as well.
    qputenv("QT_BEARER_POLL_TIMEOUT", QByteArray::number(std::numeric_limits<int>::max()));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    GraphicsSetup::configureBeforeApplication();

    QApplication application(argc, argv);
    // Before any thread runs that could load a plugin meanwhile.
    leaveBearerPluginsUnloaded();
    // The build number is read during start-up, before any window exists.
    initProgramResources();
    // A tray program: closing its last visible window (a preferences or manual time
    // window while the login window is hidden) must not end it. Closing the login window
    // quits explicitly.
    application.setQuitOnLastWindowClosed(false);

    // A desktop session ends programs with signals; treat them like Quit from the tray so
    // the threads stop in order and the last minute of tracking is kept. Installed first,
    // so a signal during start-up is acted on as soon as the event loop runs.
    UnixSignalWatcher signalWatcher({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::unixSignal, &application, [](int number) {
        LK_INFO() << "Signal" << number << "received, quitting...";
        QCoreApplication::quit();
    });

    setApplicationNames();
    removeOldDataFolder();
    configureLogging();
    AppSignals::init(&application);
    AppUtils::logSysInfo(application, AppUtils::getFullAppVersion(AppConstants::version));
    logIniFlags();

    const bool anotherInstance = AppUtils::isAppRunning(application);
    if (anotherInstance && !isMultiInstanceAllowed()) {
        // Started again, from the application menu say: the running instance shows its
        // menu, the one way into it on a desktop without a tray.
        const bool shown = InstanceChannel::askToShowMenu();
        LK_DEBUG() << "The running instance showed its menu:" << shown;
        LK_WARNING() << "A Larkspan instance is already running, quit now.";
        return 0;
    }

    ProgramAssembly program(application);
    program.afterSingleInstanceCheck();

    QSettings settings;
    writeStartupSettings(settings);
    protectUserFiles(settings);

    chooseWorkingDirectory();
    QNetworkProxyFactory::setUseSystemConfiguration(true);

    CaptureAssembly capture;
    program.afterCaptureAssembly();
    // Only the instance holding the lock answers later starts; further ones the developer
    // flag allows leave its channel alone.
    InstanceChannel instanceChannel;
    QObject::connect(&instanceChannel, &InstanceChannel::menuRequested, &application,
                     [&program] { program.showMenuAtPointer(); });
    if (!anotherInstance)
        instanceChannel.listen();
    // Qt ends the process with exit(1) when the X display goes away; the threads still
    // stop in order then, so the last minute of tracking is stored first.
    DisplayLossGuard displayLossGuard([&program, &capture] { program.stopWorkers(capture); });

    LK_INFO() << "Larkspan is running.";
    const int result = application.exec();
    LK_INFO() << "Event loop ended, shutting down...";

    // From here the shutdown stops the threads itself, and then destroys what they used.
    displayLossGuard.disarm();
    program.afterEventLoop(capture);
    LK_INFO() << "Larkspan stopped.";
    QtLog::getConf().flush();
    return result;
}
