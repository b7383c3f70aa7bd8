#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : _db(db)
{
    if (sqlite3_prepare_v2(db, sql, -1, &_stmt, nullptr) != SQLITE_OK) {
        _stmt = nullptr;
        _failed = true;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(_stmt);
}

void SqliteStatement::check(int rc)
{
    // A value that could not be bound (too big, out of memory) would leave its column
    // NULL and the row stored incomplete: the statement is not run at all.
    if (rc != SQLITE_OK)
        _failed = true;
}

SqliteStatement& SqliteStatement::bind(int pos, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    if (_stmt)
        check(sqlite3_bind_text(_stmt, pos, utf8.constData(), utf8.size(), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int pos, qint64 number)
{
    if (_stmt)
        check(sqlite3_bind_int64(_stmt, pos, number));
    return *this;
}

SqliteStatement& SqliteStatement::bindBlob(int pos, const QByteArray& bytes)
{
    // A null QByteArray would bind SQL NULL; an empty log is still a log.
    if (_stmt)
        check(sqlite3_bind_blob(_stmt, pos, bytes.isNull() ? "" : bytes.constData(), bytes.size(), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int pos)
{
    if (_stmt)
        check(sqlite3_bind_null(_stmt, pos));
    return *this;
}

bool SqliteStatement::next()
{
    if (!_stmt || _failed)
        return false;
    const int rc = sqlite3_step(_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        _failed = true;
    return false;
}

bool SqliteStatement::exec()
{
    next();
    return !_failed;
}

QString SqliteStatement::errorText() const
{
    return QString::fromUtf8(sqlite3_errmsg(_db));
}

QString SqliteStatement::text(int col) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(_stmt, col));
    return QString::fromUtf8(data, sqlite3_column_bytes(_stmt, col));
}

qint64 SqliteStatement::integer(int col) const
{
    return sqlite3_column_int64(_stmt, col);
}

QByteArray SqliteStatement::blob(int col) const
{
    const auto* data = static_cast<const char*>(sqlite3_column_blob(_stmt, col));
    return QByteArray(data, sqlite3_column_bytes(_stmt, col));
}

bool SqliteStatement::isNull(int col) const
{
    return sqlite3_column_type(_stmt, col) == SQLITE_NULL;
}
