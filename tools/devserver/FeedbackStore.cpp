#include "FeedbackStore.h"

#include "SqliteDb.h"
#include "SqliteStatement.h"

#include <QDateTime>

#include <sqlite3.h>

namespace {
const char* const kColumns = "SELECT id, received_at_ms, uuid, user_message, refresh_token, "
                             "authorised_user, log_compressed_size, gzip_header, %1 "
                             "FROM feedback";

FeedbackRecord readRow(const SqliteStatement& q, bool withLog)
{
    FeedbackRecord r;
    r.id = q.integer(0);
    r.receivedAtMs = q.integer(1);
    r.uuid = q.text(2);
    if (!q.isNull(3))
        r.userMessage = q.text(3);
    if (!q.isNull(4))
        r.refreshToken = q.text(4);
    r.authorisedUser = q.text(5);
    r.logCompressedSize = q.integer(6);
    r.gzipHeader = q.blob(7);
    if (!q.isNull(8))
        r.log = withLog ? q.blob(8) : QByteArray();
    return r;
}

QByteArray selectSql(bool withLog, const char* tail)
{
    return QString::fromLatin1(kColumns)
               .arg(QLatin1String(withLog ? "log" : "CASE WHEN log IS NULL THEN NULL ELSE 1 END"))
               .toLatin1()
        + tail;
}
} // namespace

qint64 FeedbackStore::store(const FeedbackRecord& r)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(),
                      "INSERT INTO feedback (received_at_ms, uuid, user_message, refresh_token, "
                      "authorised_user, log, log_compressed_size, gzip_header) "
                      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    q.bind(1, QDateTime::currentMSecsSinceEpoch()).bind(2, r.uuid);
    r.userMessage ? q.bind(3, *r.userMessage) : q.bindNull(3);
    r.refreshToken ? q.bind(4, *r.refreshToken) : q.bindNull(4);
    q.bind(5, r.authorisedUser);
    r.log ? q.bindBlob(6, *r.log) : q.bindNull(6);
    q.bind(7, r.logCompressedSize).bindBlob(8, r.gzipHeader);
    if (!q.exec()) {
        qWarning("FeedbackStore::store failed: %s", qPrintable(q.errorText()));
        return 0;
    }
    return sqlite3_last_insert_rowid(_db.handle());
}

std::optional<std::vector<FeedbackRecord>> FeedbackStore::reports(bool withLogs)
{
    std::vector<FeedbackRecord> out;
    std::lock_guard<std::mutex> lock(_db.mutex());
    const QByteArray sql = selectSql(withLogs, " ORDER BY id");
    SqliteStatement q(_db.handle(), sql.constData());
    while (q.next())
        out.push_back(readRow(q, withLogs));
    if (q.failed()) {
        qWarning("FeedbackStore::reports failed: %s", qPrintable(q.errorText()));
        return std::nullopt;
    }
    return out;
}

std::optional<FeedbackRecord> FeedbackStore::report(qint64 id, bool* failed)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    const QByteArray sql = selectSql(true, " WHERE id = ?1");
    SqliteStatement q(_db.handle(), sql.constData());
    q.bind(1, id);
    if (!q.next()) {
        *failed = q.failed();
        return std::nullopt;
    }
    *failed = false;
    return readRow(q, true);
}
