#include "TimeLogDao.h"

#include "DamagedLogReader.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"
#include "SqlSupport.h"
#include "TimeEvent.h"
#include "TimeLogSchema.h"
#include "UserInfo.h"

#include <QtLog.h>

#include <QMutexLocker>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace {

const QString kInsert =
    QStringLiteral("INSERT INTO time_logs (     start_time, end_time, app_name, window_title,      platform, "
                   "mac_address, active_count, meta_data, sig, user_id) VALUES (     :start_time, :end_time, "
                   ":app_name, :window_title,     :platform, :mac_address, :active_count, :meta_data, :sig, "
                   ":user_id)");

using SqlSupport::column;
using SqlSupport::execAndLog;
using SqlSupport::notNull;

constexpr int kSqliteConstraint = 19;

// The next log joins on to the end of the last one of activity. An idle log is not that:
// the user was away until the first event after it, and the time between its last marker
// and that event must not be credited to whatever window comes next.
bool countsAsActivity(const TimeLog& log)
{
    return log.appName() != TimeEvent::strIdle();
}

} // namespace

TimeLogDao::TimeLogDao(QSqlDatabase& database) : _database(database) {}

void TimeLogDao::init() const
{
    QMutexLocker locker(&_lock);
    const QStringList tables = _database.tables(QSql::Tables);
    LK_DEBUG().nospace() << "Database tables: " << tables;
    LK_DEBUG() << "Checking previously cached time logs...";

    // The whole rebuild is one transaction: a crash or a failed step leaves the file as it
    // was, instead of a dropped table with only part of the logs re-inserted.
    if (!_database.transaction()) {
        LK_WARNING() << QStringLiteral("Cannot start the time-log rebuild, keeping the table as it is: ")
                + _database.lastError().text();
        return;
    }
    QDateTime lastCarriedEnd;
    if (TimeLogSchema::rebuildTable(_database, tables, lastCarriedEnd) && _database.commit()) {
        advanceLastConvertedEvent(lastCarriedEnd);
        return;
    }
    if (_database.lastError().isValid())
        LK_WARNING() << QStringLiteral("Time-log rebuild abandoned: ") + _database.lastError().text();
    _database.rollback();
}

TimeLogDao::AddResult TimeLogDao::insertTimeLog(QSqlQuery& insert, TimeLog& log, const QString& userId) const
{
    insert.bindValue(QStringLiteral(":start_time"), log.startTimeStr());
    insert.bindValue(QStringLiteral(":end_time"), log.endTimeStr());
    insert.bindValue(QStringLiteral(":app_name"), notNull(log.appName()));
    insert.bindValue(QStringLiteral(":window_title"), notNull(log.windowTitle()));
    insert.bindValue(QStringLiteral(":platform"), notNull(log.platform()));
    insert.bindValue(QStringLiteral(":mac_address"), notNull(log.macAddress()));
    insert.bindValue(QStringLiteral(":active_count"), log.activeCount());
    insert.bindValue(QStringLiteral(":meta_data"), notNull(log.metaData()));
    insert.bindValue(QStringLiteral(":sig"), notNull(log.signature()));
    insert.bindValue(QStringLiteral(":user_id"), notNull(userId));
    const bool ok = execAndLog(insert);
    log.setId(ok ? insert.lastInsertId().toLongLong() : 0);
    if (ok)
        return AddResult::Stored;
    // A constraint failure is a duplicate only when the span really is there already: a
    // NOT NULL failure carries the same code.
    if (SqlSupport::sqliteResultCode(insert.lastError()) == kSqliteConstraint) {
        QSqlQuery existing(_database);
        existing.prepare(
            QStringLiteral("SELECT 1 FROM time_logs WHERE start_time = (:start_time) AND end_time = (:end_time)"));
        existing.bindValue(QStringLiteral(":start_time"), log.startTimeStr());
        existing.bindValue(QStringLiteral(":end_time"), log.endTimeStr());
        if (existing.exec() && existing.next())
            return AddResult::Duplicate;
    }
    return AddResult::Failed;
}

bool TimeLogDao::readTimeLogs(QSqlQuery& query, TimeLogs& logs)
{
    const QSqlRecord record = query.record();
    const int idColumn = record.indexOf(QStringLiteral("id"));
    const int startColumn = record.indexOf(QStringLiteral("start_time"));
    const int endColumn = record.indexOf(QStringLiteral("end_time"));
    const int appColumn = record.indexOf(QStringLiteral("app_name"));
    const int titleColumn = record.indexOf(QStringLiteral("window_title"));
    const int platformColumn = record.indexOf(QStringLiteral("platform"));
    const int macColumn = record.indexOf(QStringLiteral("mac_address"));
    const int countColumn = record.indexOf(QStringLiteral("active_count"));
    const int metaColumn = record.indexOf(QStringLiteral("meta_data"));
    const int sigColumn = record.indexOf(QStringLiteral("sig"));
    // Every row is set up as a freshly constructed log would be at this moment.
    const TimeLog machine;
    while (query.next()) {
        auto log = std::unique_ptr<TimeLog>(new TimeLog(machine, TimeLog::NoInit()));
        log->setId(column(query, idColumn).toLongLong());
        log->setStartTimeStr(column(query, startColumn).toString());
        log->setEndTimeStr(column(query, endColumn).toString());
        log->setAppName(column(query, appColumn).toString());
        log->setWindowTitle(column(query, titleColumn).toString());
        log->setPlatform(column(query, platformColumn).toString());
        log->setMacAddress(column(query, macColumn).toString());
        log->setActiveCount(column(query, countColumn).toInt());
        log->setMetaData(column(query, metaColumn).toString());
        log->setSignature(column(query, sigColumn).toString());
        logs.push_back(std::move(log));
    }
    // next() also returns false when a row could not be fetched; only a clean end counts.
    return !query.lastError().isValid();
}

TimeLogDao::AddResult TimeLogDao::addTimeLog(TimeLog& log) const
{
    log.setSignature(TimeLog::buildSignature(log));
    // Time tracked while a user is known (logged in, or whose login expired) is theirs.
    const QString userId = UserInfo::load().cvUserId();
    AddResult result = AddResult::Failed;
    {
        QMutexLocker locker(&_lock);
        QSqlQuery insert(_database);
        // A start on a full disk leaves no table; once there is room it is made here, or
        // nothing tracked in this run could ever be stored.
        if (!insert.prepare(kInsert) && TimeLogSchema::createMissingTable(_database))
            insert.prepare(kInsert);
        result = insertTimeLog(insert, log, userId);
    }
    // A log that was not stored is no place to join on to: its events are built again, and
    // the log they make must start where this one did.
    if (result != AddResult::Failed && countsAsActivity(log))
        advanceLastConvertedEvent(log.endTime());
    return result;
}

TimeLogDao::AddResult TimeLogDao::addManualTime(QDateTime startTime, QDateTime endTime, const QString& appName,
                                                const QString& windowTitle) const
{
    TimeLog log;
    log.setStartTime(std::move(startTime));
    log.setEndTime(std::move(endTime));
    log.setAppName(appName);
    log.setWindowTitle(windowTitle);
    return addTimeLog(log);
}

void TimeLogDao::advanceLastConvertedEvent(const QDateTime& end)
{
    // Never backwards: manual time answered late ends before logs already stored, and
    // the next log must not reach back over them.
    if (!end.isValid())
        return;
    QSettings settings;
    const QDateTime current = DateTimeUtils::fromUTCString(settings.value(Keys::lastConvertedEvent).toString());
    if (!current.isValid() || end > current)
        settings.setValue(Keys::lastConvertedEvent, DateTimeUtils::toUTCString(end));
}

std::unique_ptr<TimeLogDao::TimeLogs> TimeLogDao::allTimeLogs() const
{
    auto logs = std::make_unique<TimeLogs>();
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.setForwardOnly(true);
    execAndLog(query, QStringLiteral("SELECT * FROM time_logs"));
    readTimeLogs(query, *logs);
    return logs;
}

std::unique_ptr<TimeLogDao::TimeLogs> TimeLogDao::idleTimeLogs() const
{
    auto logs = std::make_unique<TimeLogs>();
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT * FROM time_logs WHERE app_name = (:app_name) ORDER BY start_time ASC"));
    query.bindValue(QStringLiteral(":app_name"), TimeEvent::strIdle());
    execAndLog(query);
    readTimeLogs(query, *logs);
    return logs;
}

std::unique_ptr<TimeLogDao::TimeLogs> TimeLogDao::timeLogsForUpload(int limit) const
{
    return selectForUpload(limit, nullptr);
}

std::unique_ptr<TimeLogDao::TimeLogs> TimeLogDao::timeLogsForUpload(int limit, const QString& userId) const
{
    return selectForUpload(limit, &userId);
}

std::unique_ptr<TimeLogDao::TimeLogs> TimeLogDao::selectForUpload(int limit, const QString* userId) const
{
    LK_DEBUG() << "timeLogsForUpload: loading time logs from database...";
    auto logs = std::make_unique<TimeLogs>();
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.setForwardOnly(true);
    // Without a user every log goes; with one, the user's own and those that belong to nobody.
    query.prepare(QStringLiteral("SELECT * FROM time_logs WHERE app_name NOT IN (:app_name1, :app_name2)")
                  + (userId ? QStringLiteral(" AND user_id IN ('', :user_id)") : QString())
                  + QStringLiteral(" ORDER BY start_time ASC LIMIT :limit"));
    query.bindValue(QStringLiteral(":app_name1"), TimeEvent::strIdle());
    query.bindValue(QStringLiteral(":app_name2"), TimeEvent::strPaused());
    if (userId)
        query.bindValue(QStringLiteral(":user_id"), notNull(*userId));
    query.bindValue(QStringLiteral(":limit"), limit);
    execAndLog(query);
    readTimeLogs(query, *logs);
    return logs;
}

qint64 TimeLogDao::countForUpload(const QString& userId, qint64 atMost) const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.setForwardOnly(true);
    // Counting stops at atMost: a caller asking whether more than a batch waits need not
    // walk a backlog of weeks.
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM time_logs WHERE app_name NOT IN "
                                 "(:app_name1, :app_name2) AND user_id IN ('', :user_id) LIMIT :limit)"));
    query.bindValue(QStringLiteral(":app_name1"), TimeEvent::strIdle());
    query.bindValue(QStringLiteral(":app_name2"), TimeEvent::strPaused());
    query.bindValue(QStringLiteral(":user_id"), notNull(userId));
    query.bindValue(QStringLiteral(":limit"), atMost);
    if (!execAndLog(query) || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

void TimeLogDao::removeTimeLog(qint64 id) const
{
    removeTimeLogs({id});
}

void TimeLogDao::removeTimeLogs(const QList<qint64>& ids) const
{
    {
        QMutexLocker locker(&_lock);
        // One transaction: one disk sync for the whole batch instead of one per row, so the
        // caller (the main thread, after an accepted upload) is not held up for long.
        const bool inTransaction = _database.transaction();
        QSqlQuery query(_database);
        query.prepare(QStringLiteral("DELETE FROM time_logs WHERE id = (:id)"));
        for (qint64 id : ids) {
            query.bindValue(QStringLiteral(":id"), id);
            execAndLog(query);
        }
        if (inTransaction && !_database.commit()) {
            LK_WARNING() << "TimeLogDao::removeTimeLogs - commit failed:" << _database.lastError().text();
            _database.rollback();
        }
    }
    for (qint64 id : ids)
        LK_DEBUG() << QStringLiteral("Deleted time log from cache: id=%1").arg(id);
}

void TimeLogDao::removeIdleTimeLogs() const
{
    removeByAppName(TimeEvent::strIdle());
}

void TimeLogDao::removePausedTimeLogs() const
{
    removeByAppName(TimeEvent::strPaused());
}

void TimeLogDao::removeByAppName(const QString& appName) const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.prepare(QStringLiteral("DELETE FROM time_logs WHERE app_name = (:app_name)"));
    query.bindValue(QStringLiteral(":app_name"), appName);
    execAndLog(query);
}

void TimeLogDao::removeAllTimeLogs() const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    execAndLog(query, QStringLiteral("DELETE FROM time_logs"));
}

void TimeLogDao::recoverFrom(const QString& damagedFile) const
{
    DamagedLogReader reader(damagedFile);
    TimeLogs& rows = reader.rows();
    const qint64 unreadable = reader.unreadable();
    const bool readAtAll = reader.readAtAll();

    int recovered = 0;
    int unverified = 0;
    {
        QMutexLocker locker(&_lock);
        const bool inTransaction = _database.transaction();
        QSqlQuery insert(_database);
        insert.prepare(kInsert);
        for (const auto& log : rows) {
            if (!log->isVerified()) {
                ++unverified;
                continue;
            }
            if (insertTimeLog(insert, *log, QString()) == AddResult::Stored)
                ++recovered;
        }
        if (inTransaction && !_database.commit()) {
            LK_WARNING() << "TimeLogDao::recoverFrom - commit failed:" << _database.lastError().text();
            _database.rollback();
            recovered = 0;
        }
    }
    if (!readAtAll) {
        LK_WARNING() << QStringLiteral("No time logs could be read from the damaged database ") + damagedFile;
        return;
    }
    LK_WARNING() << QStringLiteral("Recovered %1 time logs from the damaged database %2; not recovered: "
                                   "%3 read (%4 of them with a wrong signature), up to %5 unreadable")
                        .arg(recovered)
                        .arg(damagedFile)
                        .arg(qint64(rows.size()) - recovered)
                        .arg(unverified)
                        .arg(unreadable);
}

QDateTime TimeLogDao::lastConvertedEvent() const
{
    return DateTimeUtils::fromUTCString(QSettings().value(Keys::lastConvertedEvent).toString());
}
