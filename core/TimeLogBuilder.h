#pragma once

#include "LarkspanCoreExport.h"
#include "TimeEvent.h"
#include "TimeLog.h"

#include <QDateTime>

#include <memory>
#include <vector>

class DatabaseManager;

// Turns the events collected since the last run into time logs: runs of consecutive events
// of the same application and title become one log. A run leaves no open log behind; the
// next run joins on through "lastConvertedEvent".
class LARKSPAN_CORE_EXPORT TimeLogBuilder
{
public:
    // How a run went: nothing to store, every finished log stored, or a log could not be
    // stored and its events (with every later one) wait for the next run.
    enum class Result { NothingStored, Stored, StoreFailed };

    TimeLogBuilder();

    Result buildTimeLogs();

    // The program could not watch the user after lastAlive (the machine slept, the process
    // was stopped, or the wall clock was set forward): no log reaches across that instant,
    // so the open period ends at the last input before it. Kept for a day.
    void breakAt(const QDateTime& lastAlive);
    // The wall clock was set back to newTime. Logs built from now on start at their own
    // events in the new time and are joined only to logs of that new time, never back over
    // what was stored before. The caller builds what it stored before the jump first.
    void restartTimeline(const QDateTime& newTime);

private:
    // False when storing the working log failed; the event was then not taken.
    bool processTimeEvent(std::unique_ptr<TimeLog>& log, const TimeEvent& event);
    bool verifyTimeEvent(const TimeEvent& event) const;
    bool shouldMergeEvent(const TimeLog& log, const TimeEvent& event);
    QDateTime determineLogStartTime(const TimeEvent& event);
    void initLogWithEvent(TimeLog& log, const TimeEvent& event);
    void mergeEventToLog(TimeLog& log, const TimeEvent& event);
    void debugEventProcessing(const TimeEvent& event) const;
    void debugTimeLogCreated(const TimeLog& log) const;
    bool storeTimeLog(TimeLog& log);
    bool crossesBreak(const QDateTime& from, const QDateTime& to) const;

    DatabaseManager& _dbManager;
    // State of the current run only: the events merged into the working log, deleted once
    // it is stored, and how the run went so far.
    std::vector<qint64> _workingLogEvents;
    Result _result = Result::NothingStored;
    // Break instants, whole seconds as events are stored; and the start of the current
    // timeline after the wall clock was set back (invalid until then).
    std::vector<QDateTime> _breaks;
    QDateTime _timelineStart;
};
