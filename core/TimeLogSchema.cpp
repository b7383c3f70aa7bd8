#include "TimeLogSchema.h"

#include "DateTimeUtils.h"
#include "SqlSupport.h"
#include "TimeEvent.h"

#include <QtLog.h>

#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString kCreateTable =
    QStringLiteral("CREATE TABLE time_logs (    id INTEGER PRIMARY KEY AUTOINCREMENT,     start_time VARCHAR NOT "
                   "NULL,     end_time VARCHAR NOT NULL,     app_name VARCHAR NOT NULL,     window_title VARCHAR "
                   "NOT NULL,     platform VARCHAR NOT NULL,     mac_address VARCHAR NOT NULL,     active_count "
                   "INTEGER NOT NULL,     meta_data VARCHAR NOT NULL,     sig VARCHAR NOT NULL)");
const QString kCreateIndex =
    QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS unique_key_timelog ON time_logs(start_time, end_time)");
// Each log belongs to the user it was built for, or to nobody (tracked before the first
// login): a column added to the table, so files of earlier versions read as they were.
const QString kAddUserColumn = QStringLiteral("ALTER TABLE time_logs ADD COLUMN user_id VARCHAR NOT NULL DEFAULT ''");
// Where the cached logs wait while the table is rebuilt.
const QString kCarriedTable = QStringLiteral("time_logs_carried");

using SqlSupport::execAndLog;

} // namespace

bool TimeLogSchema::rebuildTable(QSqlDatabase& database, const QStringList& tables, QDateTime& lastCarriedEnd)
{
    QSqlQuery query(database);
    const bool carry = tables.contains(QStringLiteral("time_logs"));
    // The cached logs stay in SQLite on their way into the new table: a backlog of weeks
    // would otherwise pass through memory row by row, and the heap would keep what it grew to.
    if (carry) {
        if (!execAndLog(query, QStringLiteral("ALTER TABLE time_logs RENAME TO ") + kCarriedTable))
            return false;
        // The index moved with the table; the new table needs the name for its own.
        if (!execAndLog(query, QStringLiteral("DROP INDEX IF EXISTS unique_key_timelog")))
            return false;
    }
    if (tables.contains(QStringLiteral("time_events")))
        execAndLog(query, QStringLiteral("DROP TABLE time_events"));

    LK_DEBUG() << "Creating 'time_logs' table...";
    if (!execAndLog(query, kCreateTable) || !execAndLog(query, kAddUserColumn))
        return false;
    LK_DEBUG() << "Creating 'unique_key_timelog' index...";
    if (!execAndLog(query, kCreateIndex))
        return false;
    if (!carry)
        return true;

    if (QtLog::enabled(QtDebugMsg) && execAndLog(query, QStringLiteral("SELECT COUNT(*) FROM ") + kCarriedTable)
        && query.next()) {
        LK_DEBUG()
            << QStringLiteral("Loaded all time logs from old database: size=%1").arg(query.value(0).toLongLong());
    }
    query.finish();
    // Ids are kept: the service recognises a log it already holds by its id and span, so
    // an upload whose answer was lost is not counted twice after a restart. Stored
    // signatures are kept too: re-signing here would make a row edited outside the program
    // pass the uploader's check. In rowid order the first of two logs with one span stays.
    if (!execAndLog(query, carryOverStatement(database))) {
        LK_WARNING() << QStringLiteral("Could not read all cached time logs, keeping the old table as it is");
        return false;
    }
    if (QtLog::enabled(QtDebugMsg)) {
        query.setForwardOnly(true);
        if (execAndLog(
                query,
                QStringLiteral("SELECT start_time, end_time, app_name, window_title FROM time_logs ORDER BY id"))) {
            while (query.next()) {
                LK_DEBUG() << QStringLiteral("Moved time log to new database: startTime=%1, endTime=%2, "
                                             "appName=%3, windowTitle=%4")
                                  .arg(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                                       query.value(3).toString());
            }
        }
        query.finish();
    }
    // Fixed-width digits sort as time does; anything else in end_time is no time at all.
    query.prepare(QStringLiteral("SELECT MAX(end_time) FROM time_logs WHERE app_name <> (:app_name) "
                                 "AND end_time GLOB '[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]"
                                 "[0-9][0-9][0-9][0-9]'"));
    query.bindValue(QStringLiteral(":app_name"), TimeEvent::strIdle());
    if (execAndLog(query) && query.next())
        lastCarriedEnd = DateTimeUtils::fromUTCString(query.value(0).toString());
    query.finish();
    return execAndLog(query, QStringLiteral("DROP TABLE ") + kCarriedTable);
}

QString TimeLogSchema::carryOverStatement(QSqlDatabase& database)
{
    // Earlier versions' tables may lack columns, or allow NULL where this one does not:
    // such rows come over with empty values, and the uploader drops what is not valid.
    // table_xinfo also lists computed columns, which hold a row's data as much as any.
    QSet<QString> columns;
    // An id is only kept where it was the row's key: elsewhere it need not be unique, and
    // a repeated one would drop a log.
    bool idIsKey = false;
    QSqlQuery info(database);
    if (execAndLog(info, QStringLiteral("PRAGMA table_xinfo(%1)").arg(kCarriedTable))) {
        while (info.next()) {
            const QString name = info.value(1).toString();
            columns.insert(name);
            if (name == QLatin1String("id") && info.value(5).toInt() == 1)
                idIsKey = true;
        }
    }
    const auto text = [&columns](const QString& name) {
        return columns.contains(name) ? QStringLiteral("COALESCE(%1, '')").arg(name) : QStringLiteral("''");
    };
    const QStringList values = {
        idIsKey ? QStringLiteral("id") : QStringLiteral("NULL"),
        text(QStringLiteral("start_time")),
        text(QStringLiteral("end_time")),
        text(QStringLiteral("app_name")),
        text(QStringLiteral("window_title")),
        text(QStringLiteral("platform")),
        text(QStringLiteral("mac_address")),
        columns.contains(QStringLiteral("active_count")) ? QStringLiteral("COALESCE(active_count, 0)")
                                                         : QStringLiteral("0"),
        text(QStringLiteral("meta_data")),
        text(QStringLiteral("sig")),
        text(QStringLiteral("user_id")),
    };
    return QStringLiteral("INSERT OR IGNORE INTO time_logs (id, start_time, end_time, app_name, "
                          "window_title, platform, mac_address, active_count, meta_data, sig, user_id) "
                          "SELECT %1 FROM %2 ORDER BY rowid")
        .arg(values.join(QStringLiteral(", ")), kCarriedTable);
}

bool TimeLogSchema::createMissingTable(QSqlDatabase& database)
{
    if (database.tables(QSql::Tables).contains(QStringLiteral("time_logs")))
        return false;
    LK_WARNING() << "The 'time_logs' table is missing, creating it";
    QSqlQuery query(database);
    return execAndLog(query, kCreateTable) && execAndLog(query, kAddUserColumn) && execAndLog(query, kCreateIndex);
}
