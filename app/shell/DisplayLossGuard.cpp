#include "DisplayLossGuard.h"

#include "QtLog.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>

#include <QDeadlineTimer>

#include <atomic>

namespace {

QtMessageHandler gPrevious = nullptr;
std::function<void()>* gStop = nullptr;
std::atomic<bool> gStopping {false};
// Set once the threads are stopped and what they tracked is stored.
std::atomic<bool> gStored {false};
// How long the toolkit's own thread is held back from ending the process.
constexpr int kHoldMs = 30000;

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
}

bool DisplayLossGuard::isDisplayLossNotice(QtMsgType type, const QString& message)
{
    if (type != QtWarningMsg)
        return false;
    const QString platform = QGuiApplication::platformName();
    return (message.startsWith(QLatin1String("The X11 connection broke")) && platform == QLatin1String("xcb"))
        || (message.startsWith(QLatin1String("The Wayland connection")) && platform.startsWith(QLatin1String("wayland")));
}

void DisplayLossGuard::sessionLost(const QString& reason)
{
    if (!gStop || gStopping.exchange(true))
        return;
    LK_WARNING().noquote() << "DisplayLossGuard -" << reason << "- stopping the threads to store what was tracked...";
    (*gStop)();
    LK_WARNING() << "DisplayLossGuard - threads stopped, tracked time stored.";
    QtLog::getConf().flush();
    gStored = true;
    QCoreApplication::exit(1);
}

void DisplayLossGuard::onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (gPrevious)
        gPrevious(type, context, message);
    if (!gStop || !isDisplayLossNotice(type, message) || !QCoreApplication::instance())
        return;
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        // Qt's Wayland platform notices the compositor's death on a thread of its own and
        // ends the process with _exit() as soon as this warning returns. The stop belongs
        // to the GUI thread, so it runs there while this thread waits for it, bounded.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [reason = message.section(QLatin1Char('.'), 0, 0)] {
            DisplayLossGuard::sessionLost(reason);
        }, Qt::QueuedConnection);
        const QDeadlineTimer deadline(kHoldMs);
        while (!gStored && !deadline.hasExpired())
            QThread::msleep(20);
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
    gStored = true;
}
