#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>

class QSqlError;

// What the stores repeat around their SQL. Internal to larkspan-core: not exported.
namespace SqlSupport {

// A null QString binds as SQL NULL, which the NOT NULL text columns refuse; empty text is
// a legitimate value (an untitled window, no metadata) and is stored as such.
inline QString notNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// The value of a column looked up by name; a column the table lacks (index -1) reads empty.
inline QVariant column(const QSqlQuery& query, int index)
{
    return index < 0 ? QVariant() : query.value(index);
}

// Logs a failed statement, with its text, at warning level; nothing for one that worked.
void logError(const QSqlQuery& query);

// Runs the prepared statement, or the given one, and logs a failure; true when it ran.
bool execAndLog(QSqlQuery& query);
bool execAndLog(QSqlQuery& query, const QString& statement);

// SQLite's primary result code behind an error (extended codes carry it in the low byte).
int sqliteResultCode(const QSqlError& error);

} // namespace SqlSupport
