#include "DisplayLossGuard.h"

#include "QtLog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

QtMessageHandler gPrevious = nullptr;
std::function<void()>* gStop = nullptr;
std::atomic<bool> gStopping {false};

// Set once what was tracked is stored, or the orderly shutdown has taken over.
std::mutex gDoneMutex;
std::condition_variable gDoneChanged;
bool gDone = false;
// How long the toolkit's display thread is held back from ending the process while the
// GUI thread stores; the threads' final build takes well under a second.
constexpr auto kStoreWait = std::chrono::seconds(20);

void markDone()
{
    {
        std::lock_guard<std::mutex> lock(gDoneMutex);
        gDone = true;
    }
    gDoneChanged.notify_all();
}

} // namespace

DisplayLossGuard::DisplayLossGuard(std::function<void()> stop)
{
    gStop = new std::function<void()>(std::move(stop));
    gPrevious = qInstallMessageHandler(&DisplayLossGuard::onMessage);
}

DisplayLossGuard::~DisplayLossGuard()
{
    qInstallMessageHandler(gPrevious);
    delete gStop;
    gStop = nullptr;
}

void DisplayLossGuard::disarm()
{
    gStopping = true;
    markDone();
}

bool DisplayLossGuard::isDisplayLossNotice(QtMsgType type, const QString& message)
{
    if (type != QtWarningMsg)
        return false;
    const QString platform = QGuiApplication::platformName();
    return (message.startsWith(QLatin1String("The X11 connection broke")) && platform == QLatin1String("xcb"))
        || (message.startsWith(QLatin1String("The Wayland connection"))
            && platform.startsWith(QLatin1String("wayland")));
}

void DisplayLossGuard::sessionLost(const QString& reason)
{
    if (!gStop || gStopping.exchange(true))
        return;
    LK_WARNING().noquote() << "DisplayLossGuard -" << reason << "- stopping the threads to store what was tracked...";
    (*gStop)();
    LK_WARNING() << "DisplayLossGuard - threads stopped, tracked time stored.";
    QtLog::getConf().flush();
    markDone();
    QCoreApplication::exit(1);
}

void DisplayLossGuard::onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (gPrevious)
        gPrevious(type, context, message);
    QCoreApplication* application = QCoreApplication::instance();
    if (!gStop || !application || !isDisplayLossNotice(type, message))
        return;
    if (QThread::currentThread() != application->thread()) {
        // Qt's Wayland platform reads the display on a thread of its own and ends the
        // process from there as soon as this warning returns. The stop belongs to the GUI
        // thread (it deletes the GUI thread's objects), so this thread waits for it there.
        QMetaObject::invokeMethod(
            application, [] { sessionLost(QStringLiteral("the Wayland connection broke")); }, Qt::QueuedConnection);
        std::unique_lock<std::mutex> lock(gDoneMutex);
        gDoneChanged.wait_for(lock, kStoreWait, [] { return gDone; });
        return;
    }
    // On the GUI thread, the one that goes on to exit(), the threads it stops are never
    // the caller. Once is enough.
    if (gStopping.exchange(true))
        return;
    // We are inside Qt's message handler: what this thread logs from here, the shutdown's
    // lines included, would otherwise go to stderr instead of the log.
    const QtLog::InsideMessageHandler inside;
    LK_WARNING() << "DisplayLossGuard - the X display is gone and the toolkit is about to end the program, "
                    "stopping the threads to store what was tracked...";
    (*gStop)();
    LK_WARNING() << "DisplayLossGuard - threads stopped, tracked time stored.";
    QtLog::getConf().flush();
    markDone();
}
