#include "TimeEventDao.h"

#include "DateTimeUtils.h"
#include "SettingsKeys.h"
#include "SqlSupport.h"

#include <QMutexLocker>
#include <QSettings>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

namespace {

const QString kTableName = QStringLiteral("time_events");

using SqlSupport::column;
using SqlSupport::execAndLog;
using SqlSupport::notNull;

} // namespace

TimeEventDao::TimeEventDao(QSqlDatabase& database) : _database(database) {}

void TimeEventDao::init() const
{
    QMutexLocker locker(&_lock);
    if (_database.tables(QSql::Tables).contains(kTableName, Qt::CaseSensitive))
        return;
    QSqlQuery query(_database);
    execAndLog(
        query,
        QStringLiteral("CREATE TABLE time_events (id INTEGER PRIMARY KEY AUTOINCREMENT, event_time VARCHAR NOT NULL, "
                       "app_name VARCHAR NOT NULL, window_title VARCHAR NOT NULL, meta_data VARCHAR NOT NULL, "
                       "sig VARCHAR NOT NULL)"));
    execAndLog(query, QStringLiteral("PRAGMA synchronous = OFF"));
    execAndLog(query, QStringLiteral("PRAGMA journal_mode = MEMORY"));
}

void TimeEventDao::addTimeEvent(TimeEvent& event) const
{
    event.setSignature(TimeEvent::buildSignature(event));
    {
        QMutexLocker locker(&_lock);
        QSqlQuery query(_database);
        query.prepare(QStringLiteral("INSERT INTO time_events (event_time, app_name, window_title, meta_data, sig) "
                                     "VALUES (:event_time, :app_name, :window_title, :meta_data, :sig)"));
        query.bindValue(QStringLiteral(":event_time"), event.eventTimeStr());
        query.bindValue(QStringLiteral(":app_name"), notNull(event.appName()));
        query.bindValue(QStringLiteral(":window_title"), notNull(event.windowTitle()));
        query.bindValue(QStringLiteral(":meta_data"), notNull(event.metaData()));
        // Only the time stays NULL when missing, so a timeless event is refused.
        query.bindValue(QStringLiteral(":sig"), notNull(event.signature()));
        if (execAndLog(query)) {
            const QVariant id = query.lastInsertId();
            if (id.isValid())
                event.setId(id.toLongLong());
        }
    }

    // Recorded even when the insert failed: these times drive idle and pause detection,
    // which must follow the user, not the database.
    const QString appName = event.appName();
    if (appName != TimeEvent::strIdle() && appName != TimeEvent::strPaused())
        QSettings().setValue(Keys::lastUserEvent, DateTimeUtils::toUTCString(event.eventTime()));
    if (appName == TimeEvent::strPaused())
        QSettings().setValue(Keys::lastPauseEvent, DateTimeUtils::toUTCString(event.eventTime()));
}

std::unique_ptr<std::vector<std::unique_ptr<TimeEvent>>> TimeEventDao::timeEvents() const
{
    auto events = std::make_unique<std::vector<std::unique_ptr<TimeEvent>>>();
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM time_events ORDER BY event_time ASC")))
        return events;
    const QSqlRecord record = query.record();
    const int idColumn = record.indexOf(QStringLiteral("id"));
    const int timeColumn = record.indexOf(QStringLiteral("event_time"));
    const int appColumn = record.indexOf(QStringLiteral("app_name"));
    const int titleColumn = record.indexOf(QStringLiteral("window_title"));
    const int metaColumn = record.indexOf(QStringLiteral("meta_data"));
    const int sigColumn = record.indexOf(QStringLiteral("sig"));
    while (query.next()) {
        auto event = std::make_unique<TimeEvent>();
        event->setId(column(query, idColumn).toLongLong());
        event->setEventTimeStr(column(query, timeColumn).toString());
        event->setAppName(column(query, appColumn).toString());
        event->setWindowTitle(column(query, titleColumn).toString());
        event->setMetaData(column(query, metaColumn).toString());
        event->setSignature(column(query, sigColumn).toString());
        events->push_back(std::move(event));
    }
    return events;
}

void TimeEventDao::removeTimeEvent(qint64 id) const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.prepare(QStringLiteral("DELETE FROM time_events WHERE id = (:id)"));
    query.bindValue(QStringLiteral(":id"), id);
    execAndLog(query);
}

void TimeEventDao::removeTimeEventsBefore(const QDateTime& time) const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.prepare(QStringLiteral("DELETE FROM time_events WHERE event_time < (:event_time)"));
    query.bindValue(QStringLiteral(":event_time"), DateTimeUtils::toUTCString(time));
    execAndLog(query);
}

void TimeEventDao::removeIdleTimeEvents() const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.prepare(QStringLiteral("DELETE FROM time_events WHERE app_name = (:app_name)"));
    query.bindValue(QStringLiteral(":app_name"), TimeEvent::strIdle());
    execAndLog(query);
}

void TimeEventDao::removeAllTimeEvents() const
{
    QMutexLocker locker(&_lock);
    QSqlQuery query(_database);
    query.prepare(QStringLiteral("DELETE FROM time_events"));
    execAndLog(query);
}

QDateTime TimeEventDao::lastUserEvent() const
{
    return DateTimeUtils::fromUTCString(QSettings().value(Keys::lastUserEvent).toString());
}

QDateTime TimeEventDao::lastPauseEvent() const
{
    return DateTimeUtils::fromUTCString(QSettings().value(Keys::lastPauseEvent).toString());
}
