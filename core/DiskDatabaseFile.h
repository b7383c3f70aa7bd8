#pragma once

#include <QSqlDatabase>
#include <QString>

// File-level care of the time-log database: a damaged file is kept for inspection but
// never again allowed to stop tracking.
class DiskDatabaseFile
{
public:
    // True when SQLite reports the open file as not a database or corrupt. Other failures
    // (busy, I/O) say nothing about the content and give false.
    static bool isDamaged(const QSqlDatabase& database);
    // Renames the file and its journal companions to "<name>.damaged-<UTC time>"; returns
    // the new name of the file, or an empty text when it could not be moved.
    static QString moveAside(const QString& path);

private:
    DiskDatabaseFile() = delete;
};
