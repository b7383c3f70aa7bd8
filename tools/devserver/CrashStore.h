#pragma once

#include "CrashRecord.h"

#include <vector>

class SqliteDb;

// Received crash reports, in a table of their own.
class CrashStore
{
public:
    explicit CrashStore(SqliteDb& db) : _db(db) {}

    // Creates the table when needed.
    bool open(QString* error);
    // Returns the new report's id, 0 on failure.
    qint64 store(const CrashRecord& record);
    // Oldest first.
    std::vector<CrashRecord> reports();

private:
    SqliteDb& _db;
};
