#include "SqlSupport.h"

#include "QtLog.h"

#include <QSqlError>

namespace SqlSupport {

void logError(const QSqlQuery& query)
{
    const QSqlError error = query.lastError();
    if (error.type() == QSqlError::NoError)
        return;
    LK_WARNING() << QStringLiteral("Query error: ") + error.text() + QStringLiteral(", Query text: ")
            + query.lastQuery();
}

bool execAndLog(QSqlQuery& query)
{
    const bool ok = query.exec();
    logError(query);
    return ok;
}

bool execAndLog(QSqlQuery& query, const QString& statement)
{
    const bool ok = query.exec(statement);
    logError(query);
    return ok;
}

int sqliteResultCode(const QSqlError& error)
{
    return error.nativeErrorCode().toInt() & 0xff;
}

} // namespace SqlSupport
