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

    DatabaseManager& _dbManager;
    // State of the current run only: the events merged into the working log, deleted once
    // it is stored, and how the run went so far.
    std::vector<qint64> _workingLogEvents;
    Result _result = Result::NothingStored;
};
