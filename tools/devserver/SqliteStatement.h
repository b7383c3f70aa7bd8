#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// One prepared statement, finalised on destruction. Positions start at 1 as in SQLite.
// A statement that failed to prepare or to bind a value is never run: next() and exec()
// report false and log nothing themselves; the owner reads the reason from errorText().
class SqliteStatement
{
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool isPrepared() const { return _stmt != nullptr; }

    SqliteStatement& bind(int pos, const QString& text);
    SqliteStatement& bind(int pos, qint64 number);
    SqliteStatement& bindBlob(int pos, const QByteArray& bytes);
    SqliteStatement& bindNull(int pos);

    // True while a row is available; false at the end or on an error.
    bool next();
    // Runs a statement that returns no rows; true when it completed.
    bool exec();
    bool failed() const { return _failed; }
    QString errorText() const;

    QString text(int col) const;
    qint64 integer(int col) const;
    QByteArray blob(int col) const;
    bool isNull(int col) const;

private:
    void check(int rc);

    sqlite3* _db;
    sqlite3_stmt* _stmt = nullptr;
    bool _failed = false;
};
