#include "ActivityStore.h"

#include "SqliteDb.h"
#include "SqliteStatement.h"

#include <QDateTime>

#include <sqlite3.h>

ActivityStore::StoreResult ActivityStore::store(const QString& userId, const std::vector<ActivityRecord>& records)
{
    StoreResult result;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::lock_guard<std::mutex> lock(_db.mutex());
    if (!_db.exec("BEGIN IMMEDIATE"))
        return result;
    for (const ActivityRecord& r : records) {
        SqliteStatement q(_db.handle(),
                          "INSERT OR IGNORE INTO activities (user_id, client_id, start_time, "
                          "end_time, app_name, activity_description, platform, tz_utc_offset, "
                          "tz_database_val, machine_address, active_count, meta_data, "
                          "received_at_ms) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
                          "?11, ?12, ?13)");
        q.bind(1, userId).bind(2, r.clientId).bind(3, r.startTime).bind(4, r.endTime);
        q.bind(5, r.appName).bind(6, r.activityDescription).bind(7, r.platform);
        q.bind(8, qint64(r.tzUtcOffset)).bind(9, r.tzDatabaseVal).bind(10, r.machineAddress);
        q.bind(11, qint64(r.activeCount)).bind(12, r.metaData).bind(13, now);
        if (!q.exec()) {
            qWarning("ActivityStore::store failed: %s", qPrintable(q.errorText()));
            _db.exec("ROLLBACK");
            return StoreResult();
        }
        if (sqlite3_changes(_db.handle()) == 1)
            ++result.added;
        else
            ++result.duplicates;
    }
    result.ok = _db.exec("COMMIT");
    if (!result.ok) {
        _db.exec("ROLLBACK");
        return StoreResult();
    }
    return result;
}

std::optional<std::vector<ActivityRecord>> ActivityStore::activities(const QString& userId)
{
    std::vector<ActivityRecord> out;
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(),
                      "SELECT client_id, start_time, end_time, app_name, activity_description, "
                      "platform, tz_utc_offset, tz_database_val, machine_address, active_count, "
                      "meta_data, user_id, received_at_ms FROM activities "
                      "WHERE ?1 = '' OR user_id = ?1 ORDER BY start_time, id");
    q.bind(1, userId);
    while (q.next()) {
        ActivityRecord r;
        r.clientId = q.integer(0);
        r.startTime = q.text(1);
        r.endTime = q.text(2);
        r.appName = q.text(3);
        r.activityDescription = q.text(4);
        r.platform = q.text(5);
        r.tzUtcOffset = int(q.integer(6));
        r.tzDatabaseVal = q.text(7);
        r.machineAddress = q.text(8);
        r.activeCount = int(q.integer(9));
        r.metaData = q.text(10);
        r.userId = q.text(11);
        r.receivedAtMs = q.integer(12);
        out.push_back(r);
    }
    if (q.failed()) {
        qWarning("ActivityStore::activities failed: %s", qPrintable(q.errorText()));
        return std::nullopt;
    }
    return out;
}
