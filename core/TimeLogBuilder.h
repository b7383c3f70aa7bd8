#pragma once

#include "LarkspanCoreExport.h"
#include "TimeEvent.h"
#include "TimeLog.h"

#include <QDateTime>

#include <memory>

class DatabaseManager;

// Turns the events collected since the last run into time logs: runs of consecutive events
// of the same application and title become one log. A run leaves no open log behind; the
// next run joins on through "lastConvertedEvent".
class LARKSPAN_CORE_EXPORT TimeLogBuilder
{
public:
    TimeLogBuilder();

    void buildTimeLogs();

private:
    void processTimeEvent(std::unique_ptr<TimeLog>& log, const TimeEvent& event);
    bool verifyTimeEvent(const TimeEvent& event) const;
    bool shouldMergeEvent(const TimeLog& log, const TimeEvent& event);
    QDateTime determineLogStartTime(const TimeEvent& event);
    void initLogWithEvent(TimeLog& log, const TimeEvent& event);
    void mergeEventToLog(TimeLog& log, const TimeEvent& event);
    void debugEventProcessing(const TimeEvent& event) const;
    void debugTimeLogCreated(const TimeLog& log) const;
    void storeTimeLog(TimeLog& log);

    DatabaseManager& _dbManager;
};
