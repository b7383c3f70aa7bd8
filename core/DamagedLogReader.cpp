#include "DamagedLogReader.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>
#include <optional>

namespace {

// The id of the first row at or after id: 0 when there is none, nothing when the way to
// it runs through a damaged page.
std::optional<qint64> firstIdFrom(QSqlDatabase& source, qint64 id)
{
    QSqlQuery probe(source);
    probe.setForwardOnly(true);
    probe.prepare(QStringLiteral("SELECT id FROM time_logs WHERE id >= (:id) ORDER BY id LIMIT 1"));
    probe.bindValue(QStringLiteral(":id"), id);
    if (!probe.exec())
        return std::nullopt;
    const bool found = probe.next();
    if (probe.lastError().isValid())
        return std::nullopt;
    return found ? probe.value(0).toLongLong() : 0;
}

// The first id after lastRead that reads again, or 0 when none does. Steps ahead in
// growing strides until a read succeeds, then narrows back to the earliest such id, so
// only the rows of the damaged pages themselves are left behind.
qint64 nextReadableId(QSqlDatabase& source, qint64 lastRead)
{
    qint64 good = 0;
    // Strides stop before lastRead + stride could pass the largest id SQLite can hold.
    const qint64 room = std::numeric_limits<qint64>::max() - lastRead;
    for (qint64 stride = 1; stride <= room; stride *= 2) {
        if (const auto first = firstIdFrom(source, lastRead + stride)) {
            if (*first == 0)
                return 0;
            good = lastRead + stride;
            break;
        }
        if (stride > room / 2)
            break;
    }
    if (good == 0)
        return 0;
    qint64 low = lastRead + 1;
    while (low < good) {
        const qint64 middle = low + (good - low) / 2;
        if (firstIdFrom(source, middle))
            good = middle;
        else
            low = middle + 1;
    }
    return good;
}

} // namespace

DamagedLogReader::DamagedLogReader(const QString& file)
{
    const QString connection = QStringLiteral("damaged_db_recovery");
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        source.setDatabaseName(file);
        source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (source.open()) {
            readFrom(source);
            source.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

void DamagedLogReader::readFrom(QSqlDatabase& source)
{
    qint64 from = 1;
    while (from > 0) {
        QSqlQuery query(source);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT * FROM time_logs WHERE id >= (:id) ORDER BY id"));
        query.bindValue(QStringLiteral(":id"), from);
        const size_t before = _rows.size();
        const bool executed = query.exec();
        _readAtAll = _readAtAll || executed;
        if (executed && TimeLogDao::readTimeLogs(query, _rows))
            break;
        // The row that failed is passed over: the last one read, or the first one asked
        // for when not even that came (its own pages may be the damaged ones).
        qint64 lastRead = _rows.size() > before ? _rows.back()->id() : 0;
        if (lastRead == 0) {
            lastRead = firstIdFrom(source, from).value_or(from);
            if (lastRead == 0)
                break;
            ++_unreadable;
        }
        from = nextReadableId(source, lastRead);
        _unreadable += from > 0 ? from - lastRead - 1 : 1;
    }
}
