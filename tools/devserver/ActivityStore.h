#pragma once

#include "ActivityRecord.h"

#include <QString>

#include <optional>
#include <vector>

class SqliteDb;

// Uploaded time logs. A log is known by its user, machine, local id and span, so an
// upload repeated after a lost reply is recognised and not counted twice.
class ActivityStore
{
public:
    explicit ActivityStore(SqliteDb& db) : _db(db) {}

    struct StoreResult {
        bool ok = false;
        int added = 0;
        int duplicates = 0;
    };

    // All or nothing: a failure stores none of the records.
    StoreResult store(const QString& userId, const std::vector<ActivityRecord>& records);

    // In start order; everybody's when userId is empty. Nothing when the store failed.
    std::optional<std::vector<ActivityRecord>> activities(const QString& userId);

private:
    SqliteDb& _db;
};
