#pragma once

#include "LarkspanCoreExport.h"
#include "TimeEvent.h"

#include <QDateTime>
#include <QMutex>
#include <QSqlDatabase>

#include <memory>
#include <vector>

// The time-event store on the in-memory connection: signs and inserts events, reads them
// back in time order and deletes them.
//
// The event manager, the builder and the main thread reach this store while holding
// different mutexes of their own, and a Qt SQL connection is not safe for concurrent use,
// so every use of the connection goes through _lock (lock order: DatabaseManager.h).
class LARKSPAN_CORE_EXPORT TimeEventDao
{
public:
    explicit TimeEventDao(QSqlDatabase& database);
    TimeEventDao(const TimeEventDao&) = delete;
    TimeEventDao& operator=(const TimeEventDao&) = delete;

    void init() const;
    void addTimeEvent(TimeEvent& event) const;
    std::unique_ptr<std::vector<std::unique_ptr<TimeEvent>>> timeEvents() const;
    void removeTimeEvent(qint64 id) const;
    void removeTimeEventsBefore(const QDateTime& time) const;
    void removeIdleTimeEvents() const;
    void removeAllTimeEvents() const;
    QDateTime lastUserEvent() const;
    QDateTime lastPauseEvent() const;

private:
    QSqlDatabase& _database;
    mutable QMutex _lock;
};
