#pragma once

#include <QString>

#include <mutex>

struct sqlite3;

// The server's one SQLite connection. HTTP handlers run on many threads; every use takes
// mutex() so statements and transactions never interleave.
class SqliteDb
{
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens (creating when needed) the file and its tables.
    bool open(const QString& filePath, QString* error);

    sqlite3* handle() const { return _db; }
    std::mutex& mutex() { return _mutex; }

    // For schema and transaction statements; caller holds mutex().
    bool exec(const char* sql, QString* error = nullptr);

private:
    sqlite3* _db = nullptr;
    std::mutex _mutex;
};
