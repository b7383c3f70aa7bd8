#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QStringList>

// The time_logs table's shape, and the rebuild at start that carries the cached logs of
// any earlier version over into a table of today's shape. Callers hold the store's lock
// and, for the rebuild, a transaction.
class TimeLogSchema
{
public:
    // Renames the cached table aside, creates the new one and moves every row over inside
    // SQLite; lastCarriedEnd is the end of the last log of activity carried. False when a
    // step failed, which the caller answers by rolling back.
    static bool rebuildTable(QSqlDatabase& database, const QStringList& tables, QDateTime& lastCarriedEnd);
    // Creates the table if something dropped it while the program ran; true when it did.
    static bool createMissingTable(QSqlDatabase& database);

private:
    static QString carryOverStatement(QSqlDatabase& database);
};
