#pragma once

#include <QList>

#include "LarkspanCoreExport.h"
#include "TimeLog.h"

#include <QDateTime>
#include <QMutex>
#include <QSqlDatabase>

#include <memory>
#include <vector>

class QSqlQuery;

// The time-log store on the database file: logs wait here until the server accepted them.
// At start it rebuilds its table and carries the cached logs over.
//
// The builder, the manual-time path and the uploader use this store from different threads
// under different mutexes of their own, so every use of the connection goes through _lock
// (lock order: DatabaseManager.h).
class LARKSPAN_CORE_EXPORT TimeLogDao
{
public:
    using TimeLogs = std::vector<std::unique_ptr<TimeLog>>;

    // What became of a log handed to addTimeLog. A duplicate span counts as handled: the
    // time is already in the store. A failure (full disk, read-only folder, I/O error)
    // stored nothing, and the caller must keep what the log was made of.
    enum class AddResult { Stored, Duplicate, Failed };

    explicit TimeLogDao(QSqlDatabase& database);
    TimeLogDao(const TimeLogDao&) = delete;
    TimeLogDao& operator=(const TimeLogDao&) = delete;

    void init() const;
    AddResult addTimeLog(TimeLog& log) const;
    AddResult addManualTime(QDateTime startTime, QDateTime endTime, const QString& appName,
                            const QString& windowTitle) const;
    std::unique_ptr<TimeLogs> allTimeLogs() const;
    std::unique_ptr<TimeLogs> idleTimeLogs() const;
    std::unique_ptr<TimeLogs> timeLogsForUpload(int limit) const;
    // The oldest uploadable logs of this user and those that belong to nobody: a log never
    // goes to a user it was not built for.
    std::unique_ptr<TimeLogs> timeLogsForUpload(int limit, const QString& userId) const;
    // How many logs timeLogsForUpload(…, userId) could hand out, counted up to atMost.
    qint64 countForUpload(const QString& userId, qint64 atMost) const;
    void removeTimeLog(qint64 id) const;
    // Removes the logs one by one within one transaction.
    void removeTimeLogs(const QList<qint64>& ids) const;
    void removeIdleTimeLogs() const;
    void removePausedTimeLogs() const;
    void removeAllTimeLogs() const;
    QDateTime lastConvertedEvent() const;
    // Copies every log that can still be read from a damaged database file, and whose
    // signature holds, into the store; logs how many were recovered and how many not.
    void recoverFrom(const QString& damagedFile) const;

    // Reads every row of a query over time_logs into logs; false when a row could not be
    // fetched (a damaged page), with the rows before it kept.
    static bool readTimeLogs(QSqlQuery& query, TimeLogs& logs);

private:
    void removeByAppName(const QString& appName) const;
    // Moves "lastConvertedEvent" forward to end, never back.
    static void advanceLastConvertedEvent(const QDateTime& end);
    // The helpers below expect _lock to be held by the caller.
    std::unique_ptr<TimeLogs> selectForUpload(int limit, const QString* userId) const;
    AddResult insertTimeLog(QSqlQuery& insert, TimeLog& log, const QString& userId) const;

    QSqlDatabase& _database;
    mutable QMutex _lock;
};
