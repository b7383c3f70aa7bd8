#include "TimeLogBuilder.h"

#include "DatabaseManager.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"

#include <QtLog.h>

#include <QSettings>

#include <algorithm>

namespace {

// Read at every use: the user may change the threshold between two events.
qint64 maxInactiveSecs()
{
    return QSettings().value(Keys::maxInactiveSecs, Defaults::maxInactiveSecs).toLongLong();
}

// When this run of the program began; invalid when unknown, which bounds nothing.
QDateTime runStartTime()
{
    return DateTimeUtils::fromUTCString(QSettings().value(Keys::appStartTime, QString()).toString());
}

QString describe(const TimeLog& log)
{
    return QStringLiteral("startTime=") + log.startTimeStr() + QStringLiteral(", endTime=") + log.endTimeStr()
        + QStringLiteral(", appName=") + log.appName() + QStringLiteral(", windowTitle=") + log.windowTitle();
}

QString describe(const TimeEvent& event)
{
    return QStringLiteral("eventTime=") + event.eventTimeStr() + QStringLiteral(", appName=") + event.appName()
        + QStringLiteral(", windowTitle=") + event.windowTitle();
}

} // namespace

TimeLogBuilder::TimeLogBuilder() : _dbManager(DatabaseManager::instance()) {}

TimeLogBuilder::Result TimeLogBuilder::buildTimeLogs()
{
    LK_DEBUG() << "Build time logs: -------------------- START --------------------";
    const auto events = _dbManager.timeEventDao.timeEvents();
    const size_t count = events->size();
    auto log = std::make_unique<TimeLog>();
    _workingLogEvents.clear();
    _result = Result::NothingStored;
    for (size_t i = 0; i < count; ++i) {
        // After a failed store the rest stays in the event store, in order, for the next run.
        if (!processTimeEvent(log, *events->at(i)))
            break;
    }
    if (_result != Result::StoreFailed && log->isValid())
        storeTimeLog(*log);
    _workingLogEvents.clear();
    LK_DEBUG() << "Build time logs: -------------------- FINISH --------------------";
    return _result;
}

bool TimeLogBuilder::processTimeEvent(std::unique_ptr<TimeLog>& log, const TimeEvent& event)
{
    if (!verifyTimeEvent(event)) {
        _dbManager.timeEventDao.removeTimeEvent(event.id());
        return true;
    }
    debugEventProcessing(event);
    if (log->isValid()) {
        if (shouldMergeEvent(*log, event)) {
            mergeEventToLog(*log, event);
            _workingLogEvents.push_back(event.id());
            return true;
        }
        if (!storeTimeLog(*log))
            return false;
        log = std::make_unique<TimeLog>();
    }
    initLogWithEvent(*log, event);
    _workingLogEvents.push_back(event.id());
    return true;
}

bool TimeLogBuilder::verifyTimeEvent(const TimeEvent& event) const
{
    if (event.isValid())
        return true;
    LK_DEBUG() << QStringLiteral("Invalid event: ") + describe(event);
    return false;
}

bool TimeLogBuilder::shouldMergeEvent(const TimeLog& log, const TimeEvent& event)
{
    return log.isValid() && log.appName() == event.appName() && log.windowTitle() == event.windowTitle()
        && log.endTime().secsTo(event.eventTime()) < maxInactiveSecs()
        && !crossesBreak(log.endTime(), event.eventTime());
}

void TimeLogBuilder::breakAt(const QDateTime& lastAlive)
{
    if (!lastAlive.isValid())
        return;
    // Events keep whole seconds: an event of the same second as lastAlive came before it.
    const QDateTime point = QDateTime::fromSecsSinceEpoch(lastAlive.toSecsSinceEpoch(), Qt::UTC);
    const QDateTime dayAgo = point.addDays(-1);
    _breaks.erase(
        std::remove_if(_breaks.begin(), _breaks.end(), [&dayAgo](const QDateTime& known) { return known < dayAgo; }),
        _breaks.end());
    _breaks.push_back(point);
}

void TimeLogBuilder::restartTimeline(const QDateTime& newTime)
{
    _timelineStart = QDateTime::fromSecsSinceEpoch(newTime.toSecsSinceEpoch(), Qt::UTC);
    // Breaks of the old time may lie ahead of the new one, where they mean nothing.
    _breaks.clear();
    // The join point of the old time lies ahead as well; the first log of the new time
    // sets it again.
    QSettings().remove(Keys::lastConvertedEvent);
}

bool TimeLogBuilder::crossesBreak(const QDateTime& from, const QDateTime& to) const
{
    return std::any_of(_breaks.begin(), _breaks.end(),
                       [&](const QDateTime& point) { return from <= point && point < to; });
}

QDateTime TimeLogBuilder::determineLogStartTime(const TimeEvent& event)
{
    const QDateTime eventTime = event.eventTime();
    const QDateTime last = _dbManager.timeLogDao.lastConvertedEvent();
    // Only a log of this run of the program is joined on to: the time since the last log
    // of an earlier run is time the program was not running (quit, crash, machine off),
    // and nobody knows what the user did then.
    if (!last.isValid() || last < (_timelineStart.isValid() ? _timelineStart : runStartTime()))
        return eventTime;
    // A join point after the event (the clock was set back) would make a log that ends
    // before it starts.
    if (last > eventTime)
        return eventTime;
    // Nor over a time the program could not watch the user.
    if (crossesBreak(last, eventTime))
        return eventTime;
    return last.secsTo(eventTime) <= maxInactiveSecs() ? last : eventTime;
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
    LK_DEBUG() << QStringLiteral("Processing event: ") + describe(event);
}

void TimeLogBuilder::debugTimeLogCreated(const TimeLog& log) const
{
    LK_DEBUG() << QStringLiteral("Created time log: ") + describe(log);
}

bool TimeLogBuilder::storeTimeLog(TimeLog& log)
{
    if (_dbManager.timeLogDao.addTimeLog(log) == TimeLogDao::AddResult::Failed) {
        LK_WARNING() << QStringLiteral("Cannot store time log, keeping its events for the next run: ") + describe(log);
        _result = Result::StoreFailed;
        return false;
    }
    debugTimeLogCreated(log);
    _result = Result::Stored;
    for (qint64 id : _workingLogEvents)
        _dbManager.timeEventDao.removeTimeEvent(id);
    _workingLogEvents.clear();
    return true;
}
