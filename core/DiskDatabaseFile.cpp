#include "DiskDatabaseFile.h"

#include "Clock.h"
#include "DateTimeUtils.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

bool isDamageCode(const QSqlError& error)
{
    // Extended result codes carry the primary code in the low byte.
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

} // namespace

bool DiskDatabaseFile::makePrivateFolder(const QString& path, bool* ok)
{
    QDir folder(path);
    const bool created = !folder.exists() && folder.mkpath(QStringLiteral("."));
    const bool isPrivate = QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (ok)
        *ok = folder.exists() && isPrivate;
    return created;
}

void DiskDatabaseFile::makePrivateFile(const QString& path)
{
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.close();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

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
    for (const QString& suffix : {QStringLiteral("-journal"), QStringLiteral("-wal"),
                                  QStringLiteral("-shm")}) {
        if (QFile::exists(path + suffix))
            QFile::rename(path + suffix, target + suffix);
    }
    return target;
}
