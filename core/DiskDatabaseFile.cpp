#include "DiskDatabaseFile.h"

#include "Clock.h"
#include "DateTimeUtils.h"
#include "SqlSupport.h"

#include <QDateTime>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

bool isDamageCode(const QSqlError& error)
{
    const int code = SqlSupport::sqliteResultCode(error);
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

} // namespace

bool DiskDatabaseFile::isDamaged(const QSqlDatabase& database)
{
    QSqlQuery query(database);
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return isDamageCode(query.lastError());
    if (!query.next())
        return isDamageCode(query.lastError());
    return query.value(0).toString() != QLatin1String("ok");
}

QString DiskDatabaseFile::moveAside(const QString& path)
{
    const QString stamp = DateTimeUtils::toUTCString(Clock::nowUtc());
    QString target = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = path + QStringLiteral(".damaged-") + stamp + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, target))
        return QString();
    // A journal left beside the damaged file must go with it: SQLite would otherwise play
    // it back into the fresh file.
    for (const QString& suffix : {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(path + suffix))
            QFile::rename(path + suffix, target + suffix);
    }
    return target;
}
