#include "TimeLogBuilder.h"

#include "DatabaseManager.h"
#include "SettingsKeys.h"

#include <QtLog.h>

#include <QSettings>

#include <cstdlib>

namespace {

// Read at every use: the user may change the threshold between two events.
qint64 maxInactiveSecs()
{
    return QSettings().value(Keys::maxInactiveSecs, Defaults::maxInactiveSecs).toLongLong();
}

QString describe(const TimeEvent& event)
{
    return QStringLiteral("eventTime=") + event.eventTimeStr() + QStringLiteral(", appName=")
        + event.appName() + QStringLiteral(", windowTitle=") + event.windowTitle();
}

} // namespace

TimeLogBuilder::TimeLogBuilder() : _dbManager(DatabaseManager::instance()) {}

void TimeLogBuilder::buildTimeLogs()
{
    QtLog::debug() << "Build time logs: -------------------- START --------------------";
    const auto events = _dbManager.timeEventDao.timeEvents();
    const size_t count = events->size();
    auto log = std::make_unique<TimeLog>();
    for (size_t i = 0; i < count; ++i) {
        const TimeEvent& event = *events->at(i);
        processTimeEvent(log, event);
        _dbManager.timeEventDao.removeTimeEvent(event.id());
    }
    if (log->isValid())
        storeTimeLog(*log);
    QtLog::debug() << "Build time logs: -------------------- FINISH --------------------";
}

void TimeLogBuilder::processTimeEvent(std::unique_ptr<TimeLog>& log, const TimeEvent& event)
{
    if (!verifyTimeEvent(event))
        return;
    debugEventProcessing(event);
    if (log->isValid()) {
        if (shouldMergeEvent(*log, event)) {
            mergeEventToLog(*log, event);
            return;
        }
        storeTimeLog(*log);
        log = std::make_unique<TimeLog>();
    }
    initLogWithEvent(*log, event);
}

bool TimeLogBuilder::verifyTimeEvent(const TimeEvent& event) const
{
    if (event.isValid())
        return true;
    QtLog::debug() << QStringLiteral("Invalid event: ") + describe(event);
    return false;
}

bool TimeLogBuilder::shouldMergeEvent(const TimeLog& log, const TimeEvent& event)
{
    return log.isValid() && log.appName() == event.appName()
        && log.windowTitle() == event.windowTitle()
        && log.endTime().secsTo(event.eventTime()) < maxInactiveSecs();
}

QDateTime TimeLogBuilder::determineLogStartTime(const TimeEvent& event)
{
    const QDateTime last = _dbManager.timeLogDao.lastConvertedEvent();
    const qint64 threshold = maxInactiveSecs();
    if (last.isValid() && std::llabs(last.secsTo(event.eventTime())) <= threshold)
        return last;
    return event.eventTime();
}

void TimeLogBuilder::initLogWithEvent(TimeLog& log, const TimeEvent& event)
{
    log.setStartTime(determineLogStartTime(event));
    mergeEventToLog(log, event);
}

void TimeLogBuilder::mergeEventToLog(TimeLog& log, const TimeEvent& event)
{
    log.setEndTime(event.eventTime());
    log.setAppName(event.appName());
    log.setWindowTitle(event.windowTitle());
    log.setActiveCount(log.activeCount() + 1);
    log.setMetaData(event.metaData());
}

void TimeLogBuilder::debugEventProcessing(const TimeEvent& event) const
{
    QtLog::debug() << QStringLiteral("Processing event: ") + describe(event);
}

void TimeLogBuilder::debugTimeLogCreated(const TimeLog& log) const
{
    QtLog::debug() << QStringLiteral("Created time log: startTime=") + log.startTimeStr()
                          + QStringLiteral(", endTime=") + log.endTimeStr()
                          + QStringLiteral(", appName=") + log.appName()
                          + QStringLiteral(", windowTitle=") + log.windowTitle();
}

void TimeLogBuilder::storeTimeLog(TimeLog& log)
{
    _dbManager.timeLogDao.addTimeLog(log);
    debugTimeLogCreated(log);
}
