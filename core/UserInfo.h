#pragma once

#include "LarkspanCoreExport.h"

#include <QJsonObject>
#include <QString>

// The logged-in user as the client knows it, persisted as one JSON text under
// "userInfoJson". Every holder works on its own copy; others see a change only after
// save() and a later load().
class LARKSPAN_CORE_EXPORT UserInfo
{
public:
    UserInfo();
    UserInfo(const UserInfo& other);
    UserInfo& operator=(const UserInfo& other);
    ~UserInfo();

    QString cvUserId() const;
    void setCvUserId(const QString& cvUserId);
    QString refreshToken() const;
    void setRefreshToken(const QString& refreshToken);
    QString accessToken() const;
    void setAccessToken(const QString& accessToken);
    qint64 accessTokenCreationMillisecs() const;
    void setAccessTokenCreationMillisecs(qint64 millisecs);
    qint64 accessTokenExpiriesInSecs() const;
    void setAccessTokenExpiriesInSecs(qint64 secs);

    // Longer tokens are not the service's; they would only bloat the settings and every request.
    static constexpr int maxTokenChars = 4096;
    static constexpr int maxUserIdChars = 256;

    // True for a token of at most maxTokenChars, made only of printable ASCII without
    // spaces, the characters a bearer token may hold. Anything else could break the
    // headers it is sent in.
    static bool isUsableToken(const QString& token);
    // True for a user id of at most maxUserIdChars printable characters: it is written
    // into log lines and the crash handler's arguments, where a line break or NUL would
    // forge or cut them.
    static bool isUsableUserId(const QString& cvUserId);

    bool isLoggedIn() const;
    bool isAccessTokenValid() const;

    QString toJson() const;
    static UserInfo fromJson(const QString& json);

    static UserInfo load();
    void save() const;
    void logout();

private:
    void write(QJsonObject& json) const;
    void read(const QJsonObject& json);

    QString _cvUserId;
    QString _refreshToken;
    QString _accessToken;
    qint64 _accessTokenCreationMillisecs = 0;
    qint64 _accessTokenExpiriesInSecs = 0;
};
