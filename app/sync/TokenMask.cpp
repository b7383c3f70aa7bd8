#include "TokenMask.h"

#include "UserInfo.h"

QString TokenMask::token(const QString& token)
{
    if (token.isEmpty())
        return token;
    // A token no longer than what we would show is hidden completely.
    if (token.size() <= visibleChars)
        return QStringLiteral("...");
    return token.left(visibleChars) + QStringLiteral("...");
}

QString TokenMask::userInfo(const UserInfo& info)
{
    UserInfo masked(info);
    masked.setRefreshToken(token(info.refreshToken()));
    masked.setAccessToken(token(info.accessToken()));
    return masked.toJson();
}

QString TokenMask::inText(const QString& text, const QString& secret)
{
    if (secret.isEmpty())
        return text;
    return QString(text).replace(secret, token(secret));
}
