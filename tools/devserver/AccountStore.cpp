#include "AccountStore.h"

#include "SqliteDb.h"
#include "SqliteStatement.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QtGlobal>

#include <sqlite3.h>

namespace {
qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

QString AccountStore::newToken(const char* prefix)
{
    // Hex only: refresh tokens travel inside URL paths (the console link).
    quint32 words[6];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray bytes(reinterpret_cast<const char*>(words), int(sizeof(words)));
    return QString::fromLatin1(prefix) + QString::fromLatin1(bytes.toHex());
}

std::optional<LoginGrant> AccountStore::login(const QString& userId, const QString& clientUuid)
{
    LoginGrant grant {userId, newToken("rt_")};
    const qint64 now = nowMs();
    std::lock_guard<std::mutex> lock(_db.mutex());
    if (!_db.exec("BEGIN IMMEDIATE")) {
        qWarning("AccountStore::login failed: %s", sqlite3_errmsg(_db.handle()));
        return std::nullopt;
    }
    SqliteStatement user(_db.handle(), "INSERT OR IGNORE INTO users (user_id, created_at_ms) VALUES (?1, ?2)");
    SqliteStatement token(_db.handle(),
                          "INSERT INTO refresh_tokens (token, user_id, created_at_ms) "
                          "VALUES (?1, ?2, ?3)");
    bool ok = user.bind(1, userId).bind(2, now).exec()
        && token.bind(1, grant.refreshToken).bind(2, userId).bind(3, now).exec();
    if (ok && !clientUuid.isEmpty()) {
        SqliteStatement g(_db.handle(),
                          "INSERT OR REPLACE INTO login_grants "
                          "(client_uuid, user_id, refresh_token, granted_at_ms) "
                          "VALUES (?1, ?2, ?3, ?4)");
        ok = g.bind(1, clientUuid).bind(2, userId).bind(3, grant.refreshToken).bind(4, now).exec();
    }
    if (!ok || !_db.exec("COMMIT")) {
        qWarning("AccountStore::login failed: %s", sqlite3_errmsg(_db.handle()));
        _db.exec("ROLLBACK");
        return std::nullopt;
    }
    return grant;
}

std::optional<LoginGrant> AccountStore::takeGrant(const QString& clientUuid)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(),
                      "DELETE FROM login_grants WHERE client_uuid = ?1 "
                      "RETURNING user_id, refresh_token");
    q.bind(1, clientUuid);
    if (!q.next())
        return std::nullopt;
    LoginGrant grant {q.text(0), q.text(1)};
    // The row is gone only once the statement has run to its end.
    while (q.next()) {}
    if (q.failed())
        return std::nullopt;
    return grant;
}

std::optional<QString> AccountStore::userForRefreshToken(const QString& refreshToken)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(), "SELECT user_id FROM refresh_tokens WHERE token = ?1");
    q.bind(1, refreshToken);
    return userOf(q);
}

std::optional<QString> AccountStore::userOf(SqliteStatement& q)
{
    if (q.next())
        return q.text(0);
    if (q.failed()) {
        qWarning("AccountStore: lookup failed: %s", qPrintable(q.errorText()));
        return std::nullopt;
    }
    return QString();
}

QString AccountStore::issueAccessToken(const QString& userId, qint64 lifetimeSecs)
{
    const QString token = newToken("at_");
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(), "INSERT INTO access_tokens (token, user_id, expires_at_ms) VALUES (?1, ?2, ?3)");
    if (!q.bind(1, token).bind(2, userId).bind(3, nowMs() + lifetimeSecs * 1000).exec()) {
        qWarning("AccountStore::issueAccessToken failed: %s", qPrintable(q.errorText()));
        return QString();
    }
    return token;
}

std::optional<QString> AccountStore::userForAccessToken(const QString& accessToken)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(), "SELECT user_id FROM access_tokens WHERE token = ?1 AND expires_at_ms > ?2");
    q.bind(1, accessToken).bind(2, nowMs());
    return userOf(q);
}

int AccountStore::expireAccessTokens(const QString& userId)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(),
                      "UPDATE access_tokens SET expires_at_ms = 0 "
                      "WHERE (?1 = '' OR user_id = ?1) AND expires_at_ms > 0");
    q.bind(1, userId);
    if (!q.exec())
        return 0;
    return sqlite3_changes(_db.handle());
}

int AccountStore::revokeSessions(const QString& userId)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement access(_db.handle(), "DELETE FROM access_tokens WHERE ?1 = '' OR user_id = ?1");
    access.bind(1, userId);
    if (!access.exec())
        return 0;
    SqliteStatement refresh(_db.handle(), "DELETE FROM refresh_tokens WHERE ?1 = '' OR user_id = ?1");
    refresh.bind(1, userId);
    if (!refresh.exec())
        return 0;
    return sqlite3_changes(_db.handle());
}
