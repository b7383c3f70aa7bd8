#include "OutlookSubjectDetector.h"

#include "AppSignals.h"
#include "BoundedProcess.h"
#include "Clock.h"
#include "EventManager.h"
#include "QtLog.h"
#include "TimeEvent.h"

#include <QCoreApplication>
#include <QDir>
#include <utility>

OutlookSubjectDetector::OutlookSubjectDetector(EventManager* manager) : manager(manager)
{
    connect(AppSignals::instance(), &AppSignals::requestOutlookSubject, this,
            &OutlookSubjectDetector::onRequestOutlookSubject);
    // The loop ends with the event manager too, and may be asleep waiting for work then.
    // The wake comes through the event loop: the shutdown, which stops one thread after the
    // other without it, still ends this one at its own step.
    connect(manager, &StoppableThread::stopRequested, this, &StoppableThread::wakeUp, Qt::QueuedConnection);
}

OutlookSubjectDetector::~OutlookSubjectDetector() = default;

QString OutlookSubjectDetector::subjectReaderPath()
{
    // Development and tests may point at a stand-in reader.
    const QString override = qEnvironmentVariable("LARKSPAN_SUBJECT_READER");
    if (!override.isEmpty())
        return override;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lkwin32.exe"));
}

bool OutlookSubjectDetector::shouldStop() const
{
    return isStopRequested() || manager->isStopRequested();
}

void OutlookSubjectDetector::onRequestOutlookSubject(QString appName, QString windowTitle)
{
    {
        QMutexLocker lock(&mutex);
        queue.append(WindowInfo {std::move(appName), std::move(windowTitle), QString()});
    }
    wakeUp();
}

bool OutlookSubjectDetector::hasQueued()
{
    QMutexLocker lock(&mutex);
    return !queue.isEmpty();
}

void OutlookSubjectDetector::run()
{
    while (!shouldStop()) {
        // Most people never have an Outlook window in front: with nothing queued the thread
        // sleeps until a request comes, instead of waking every second to find none. The
        // pause after each reading keeps the reader at one start a second.
        if (!hasQueued()) {
            sleepUntilWoken();
            continue;
        }
        processNext();
        sleepSecs(1);
    }
    terminate();
    LK_INFO() << "OutlookSubjectDetector has been terminated.";
}

void OutlookSubjectDetector::processNext()
{
    WindowInfo item;
    {
        QMutexLocker lock(&mutex);
        if (queue.isEmpty())
            return;
        item = queue.takeFirst();
    }
    const QString subject = readOutlookSubject();
    if (!subject.isEmpty())
        item.windowTitle = subject;
    TimeEvent event(Clock::nowUtc(), item.appName, item.windowTitle, TimeEvent::strEmpty());
    manager->addEvent(event);
    LK_DEBUG() << "OutlookSubjectDetector::run - Detected Outlook subject line: " << subject;
}

QString OutlookSubjectDetector::readOutlookSubject()
{
    const QString path = subjectReaderPath();
    LK_DEBUG() << "Path to lkwin32.exe: " << path;
    // Bounded, and cut short at shutdown, so a hung reader can neither block this thread
    // for long nor keep it running past the program's wait for it.
    const QString text = BoundedProcess::firstOutput(path, {QStringLiteral("outlook")}, readerTimeoutMs,
                                                     [this] { return shouldStop(); });
    LK_DEBUG() << "the result of the script is" << text;
    return text.trimmed();
}
