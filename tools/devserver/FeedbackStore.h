#pragma once

#include "FeedbackRecord.h"

#include <optional>
#include <vector>

class SqliteDb;

// Received diagnostics reports.
class FeedbackStore
{
public:
    explicit FeedbackStore(SqliteDb& db) : _db(db) {}

    // Returns the new report's id, 0 on failure (then nothing was stored).
    qint64 store(const FeedbackRecord& record);
    // Oldest first; with withLogs false the logs are left out (listings stay small).
    // Nothing when the store failed.
    std::optional<std::vector<FeedbackRecord>> reports(bool withLogs);
    // Nothing when there is no such report or the store failed (then *failed is set).
    std::optional<FeedbackRecord> report(qint64 id, bool* failed);

private:
    SqliteDb& _db;
};
