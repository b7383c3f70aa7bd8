#pragma once

#include <QString>

#include <optional>

class SqliteDb;
class SqliteStatement;

struct LoginGrant {
    QString userId;
    QString refreshToken;
};

// Users, their refresh tokens, the short-lived access tokens, and the login grants that
// wait for a client's status poll.
class AccountStore
{
public:
    explicit AccountStore(SqliteDb& db) : _db(db) {}

    // Logs userId in with a fresh refresh token. With a client uuid the grant is also
    // left for that client to collect; a later login of the same client replaces it.
    std::optional<LoginGrant> login(const QString& userId, const QString& clientUuid);

    // Hands out the client's waiting grant once: a login page opened again later must
    // not pick up an old login the user did not make this time.
    std::optional<LoginGrant> takeGrant(const QString& clientUuid);

    // Empty when the token is unknown; nothing when the store failed.
    std::optional<QString> userForRefreshToken(const QString& refreshToken);

    QString issueAccessToken(const QString& userId, qint64 lifetimeSecs);
    // Empty when the token is unknown or expired; nothing when the store failed.
    std::optional<QString> userForAccessToken(const QString& accessToken);
    // Expires the user's access tokens (everybody's when userId is empty); returns how many.
    int expireAccessTokens(const QString& userId);
    // Revokes the user's sessions (everybody's when userId is empty), as a password change
    // or an administrator does: refresh and access tokens go; returns how many refresh tokens.
    int revokeSessions(const QString& userId);

private:
    static QString newToken(const char* prefix);
    static std::optional<QString> userOf(SqliteStatement& q);

    SqliteDb& _db;
};
