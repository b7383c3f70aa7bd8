#pragma once

#include "LarkspanCoreExport.h"
#include "SettingsKeys.h"
#include "TimeEventDao.h"
#include "TimeLogDao.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

class QSqlQuery;

// Owns the two SQLite connections and the stores on them: raw events in memory (they live
// only as long as the process), time logs in "larkspan.db" until they are uploaded.
//
// Lock order, for every thread: a worker's thread mutex (StoppableThread::mutex: the event
// manager's database lock, the uploader's deletion lock) first, then a store's connection
// lock. Each store takes its own lock inside each call and releases it before returning,
// never calling out or taking the other store's lock meanwhile, so no path holds a store's
// lock while it waits for a thread mutex. Locks of other kinds (the event manager's state
// lock, the window detector's caches) are never held together with either.
class LARKSPAN_CORE_EXPORT DatabaseManager
{
public:
    static DatabaseManager& instance();
    ~DatabaseManager();
    DatabaseManager(const DatabaseManager&) = delete;
    DatabaseManager& operator=(const DatabaseManager&) = delete;

    // Logs a failed statement with its text at warning level; silent for one that worked.
    static void debugQuery(const QSqlQuery& query);

private:
    std::unique_ptr<QSqlDatabase> _memoryDb;
    std::unique_ptr<QSqlDatabase> _diskDb;

public:
    TimeEventDao timeEventDao;
    TimeLogDao timeLogDao;

protected:
    explicit DatabaseManager(const QString& dbFileName = QString(AppConstants::databaseFileName));

private:
    void initMemoryDb();
    void initDiskDb(const QString& dbFileName);

    // Where a damaged database file was moved at start, for the logs still readable in it.
    QString _damagedFile;
};
