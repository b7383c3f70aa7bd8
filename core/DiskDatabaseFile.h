#pragma once

#include <QSqlDatabase>
#include <QString>

// File-level care of the time-log database: it holds what the user did all day, so it
// stays private to the user, and a damaged file is kept for inspection but never again
// allowed to stop tracking.
class DiskDatabaseFile
{
public:
    // Creates the folder when missing and makes it 0700; true when it was created.
    static bool makePrivateFolder(const QString& path, bool* ok = nullptr);
    // Creates the file empty when missing and makes it 0600.
    static void makePrivateFile(const QString& path);
    // True when SQLite reports the open file as not a database or corrupt. Other failures
    // (busy, I/O) say nothing about the content and give false.
    static bool isDamaged(const QSqlDatabase& database);
    // Renames the file and its journal companions to "<name>.damaged-<UTC time>"; returns
    // the new name of the file, or an empty text when it could not be moved.
    static QString moveAside(const QString& path);

private:
    DiskDatabaseFile() = delete;
};
