#pragma once

#include "FeedbackRecord.h"

#include <vector>

class SqliteDb;

// Received diagnostics reports.
class FeedbackStore
{
public:
    explicit FeedbackStore(SqliteDb& db) : _db(db) {}

    // Returns the new report's id, 0 on failure.
    qint64 store(const FeedbackRecord& record);
    // Oldest first; with withLogs false the logs are left out (listings stay small).
    std::vector<FeedbackRecord> reports(bool withLogs);
    std::optional<FeedbackRecord> report(qint64 id);

private:
    SqliteDb& _db;
};
