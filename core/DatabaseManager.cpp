#include "DatabaseManager.h"

#include "DiskDatabaseFile.h"
#include "PrivateFiles.h"
#include "SqlSupport.h"

#include <QtLog.h>

#include <QDir>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

const QString kMemoryConnection = QStringLiteral("memory_db_connection");
const QString kDiskConnection = QStringLiteral("disk_db_connection");
const QString kDriver = QStringLiteral("QSQLITE");

QString okOrError(bool ok)
{
    return ok ? QStringLiteral("OK") : QStringLiteral("Error");
}

} // namespace

DatabaseManager& DatabaseManager::instance()
{
    static DatabaseManager manager;
    return manager;
}

DatabaseManager::DatabaseManager(const QString& dbFileName)
    : _memoryDb(std::make_unique<QSqlDatabase>(QSqlDatabase::addDatabase(kDriver, kMemoryConnection))),
      _diskDb(std::make_unique<QSqlDatabase>(QSqlDatabase::addDatabase(kDriver, kDiskConnection))),
      timeEventDao(*_memoryDb),
      timeLogDao(*_diskDb)
{
    LK_DEBUG() << "Intialising database manager...";
    initMemoryDb();
    initDiskDb(dbFileName);
    timeEventDao.init();
    timeLogDao.init();
    // Pending time in a damaged file is still the user's: copy over what can be read.
    if (!_damagedFile.isEmpty())
        timeLogDao.recoverFrom(_damagedFile);
}

DatabaseManager::~DatabaseManager()
{
    _memoryDb->close();
    _diskDb->close();
    _diskDb.reset();
    _memoryDb.reset();
    // Releases the names, so a later manager in the same process starts clean.
    QSqlDatabase::removeDatabase(kDiskConnection);
    QSqlDatabase::removeDatabase(kMemoryConnection);
}

void DatabaseManager::debugQuery(const QSqlQuery& query)
{
    SqlSupport::logError(query);
}

void DatabaseManager::initMemoryDb()
{
    _memoryDb->setDatabaseName(QStringLiteral(":memory:"));
    const bool ok = _memoryDb->open();
    LK_DEBUG() << QStringLiteral("Memory DB connection: ") + okOrError(ok);
}

void DatabaseManager::initDiskDb(const QString& dbFileName)
{
    LK_DEBUG() << "Initialising disk DB...";
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    bool created = false;
    const bool folderOk = PrivateFiles::makeFolder(folder, &created);
    if (created)
        LK_DEBUG() << QStringLiteral("Created directory: ") + QDir(folder).absolutePath();
    if (!folderOk)
        LK_WARNING() << QStringLiteral("Cannot make the data folder private: ") + folder;

    const QString path = QDir(folder).filePath(dbFileName);
    _diskDb->setDatabaseName(path);
    LK_DEBUG() << QStringLiteral("Disk DB file: ") + path;
    // Created before SQLite opens it, so the file never exists readable by others.
    PrivateFiles::makeFile(path);
    bool ok = _diskDb->open();

    if (ok && DiskDatabaseFile::isDamaged(*_diskDb)) {
        _diskDb->close();
        const QString movedTo = DiskDatabaseFile::moveAside(path);
        if (movedTo.isEmpty()) {
            LK_WARNING() << QStringLiteral("Disk DB file is damaged and cannot be moved aside: ") + path;
        } else {
            LK_WARNING() << QStringLiteral("Disk DB file is damaged, moved it to ") + movedTo
                    + QStringLiteral(" and starting a new one");
            PrivateFiles::makeFile(path);
            _damagedFile = movedTo;
        }
        ok = _diskDb->open();
    }
    // Tightens a file left readable by an earlier version.
    PrivateFiles::makeFile(path);
    LK_DEBUG() << QStringLiteral("Disk DB connection: ") + okOrError(ok);
}
