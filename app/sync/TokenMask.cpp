#include "TokenMask.h"

#include "UserInfo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

// Members of the service's replies that carry tokens.
const QStringList kTokenKeys = {QStringLiteral("refreshToken"), QStringLiteral("idToken"),
                                QStringLiteral("accessToken"), QStringLiteral("refresh_token"),
                                QStringLiteral("access_token")};

QString maskedText(QString text, const QStringList& secrets)
{
    for (const QString& secret : secrets)
        text = TokenMask::inText(text, secret);
    return text;
}

QJsonValue masked(const QJsonValue& value, const QStringList& secrets)
{
    if (value.isString())
        return maskedText(value.toString(), secrets);
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue& item : value.toArray())
            array.append(masked(item, secrets));
        return array;
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        QJsonObject result;
        for (auto it = object.begin(); it != object.end(); ++it)
            result.insert(maskedText(it.key(), secrets), masked(it.value(), secrets));
        return result;
    }
    return value;
}

} // namespace

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

QString TokenMask::reply(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return QString::fromUtf8(body);
    const QJsonObject object = doc.object();
    QStringList secrets;
    for (const QString& key : kTokenKeys) {
        const QString value = object.value(key).toString();
        if (!value.isEmpty())
            secrets << value;
    }
    // The token members themselves are shortened whatever else they hold.
    QJsonObject result = masked(object, secrets).toObject();
    for (const QString& key : kTokenKeys) {
        if (result.value(key).isString() && !object.value(key).toString().isEmpty())
            result.insert(key, token(object.value(key).toString()));
    }
    return QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact));
}
