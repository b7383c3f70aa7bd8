#include "UserInfo.h"

#include "Clock.h"
#include "SettingsKeys.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSettings>

#include <limits>

namespace {

const QString kCvUserId = QStringLiteral("cvUserId");
const QString kRefreshToken = QStringLiteral("refreshToken");
const QString kAccessToken = QStringLiteral("accessToken");
const QString kCreationMillisecs = QStringLiteral("accessTokenCreationMillisecs");
const QString kExpiriesInSecs = QStringLiteral("accessTokenExpiriesInSecs");

constexpr qint64 kSafetyMarginSecs = 300;

// The stored text can be edited by hand or damaged, so a number that does not fit 64 bits
// reads as 0 instead of an undefined conversion.
qint64 toInt64(const QJsonValue& value)
{
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (!(d > -9.2e18 && d < 9.2e18))
            return 0;
    }
    return value.toVariant().toLongLong();
}

} // namespace

UserInfo::UserInfo() = default;
UserInfo::UserInfo(const UserInfo& other) = default;
UserInfo& UserInfo::operator=(const UserInfo& other) = default;
UserInfo::~UserInfo() = default;

QString UserInfo::cvUserId() const
{
    return _cvUserId;
}
void UserInfo::setCvUserId(const QString& cvUserId)
{
    _cvUserId = cvUserId;
}
QString UserInfo::refreshToken() const
{
    return _refreshToken;
}
void UserInfo::setRefreshToken(const QString& refreshToken)
{
    _refreshToken = refreshToken;
}
QString UserInfo::accessToken() const
{
    return _accessToken;
}
void UserInfo::setAccessToken(const QString& accessToken)
{
    _accessToken = accessToken;
}
qint64 UserInfo::accessTokenCreationMillisecs() const
{
    return _accessTokenCreationMillisecs;
}
void UserInfo::setAccessTokenCreationMillisecs(qint64 millisecs)
{
    _accessTokenCreationMillisecs = millisecs;
}
qint64 UserInfo::accessTokenExpiriesInSecs() const
{
    return _accessTokenExpiriesInSecs;
}
void UserInfo::setAccessTokenExpiriesInSecs(qint64 secs)
{
    _accessTokenExpiriesInSecs = secs;
}

bool UserInfo::isUsableToken(const QString& token)
{
    if (token.isEmpty() || token.size() > maxTokenChars)
        return false;
    for (const QChar c : token) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

bool UserInfo::isUsableUserId(const QString& cvUserId)
{
    if (cvUserId.isEmpty() || cvUserId.size() > maxUserIdChars)
        return false;
    for (const QChar c : cvUserId) {
        // isPrint() lets the line and paragraph separators through.
        if (!c.isPrint() || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return false;
    }
    return true;
}

bool UserInfo::isLoggedIn() const
{
    return !_cvUserId.isEmpty() && !_refreshToken.isEmpty();
}

bool UserInfo::isAccessTokenValid() const
{
    if (_accessToken.isEmpty())
        return false;
    // Both numbers come from stored text; saturate instead of overflowing on absurd values.
    constexpr qint64 maxValue = std::numeric_limits<qint64>::max();
    constexpr qint64 minValue = std::numeric_limits<qint64>::min();
    qint64 elapsed = 0;
    if (__builtin_sub_overflow(Clock::currentMSecsSinceEpoch(), _accessTokenCreationMillisecs, &elapsed))
        elapsed = _accessTokenCreationMillisecs < 0 ? maxValue : minValue;
    qint64 limitSecs = 0;
    if (__builtin_sub_overflow(_accessTokenExpiriesInSecs, kSafetyMarginSecs, &limitSecs))
        limitSecs = minValue;
    qint64 limit = 0;
    if (__builtin_mul_overflow(limitSecs, qint64(1000), &limit))
        limit = limitSecs < 0 ? minValue : maxValue;
    return elapsed <= limit;
}

QString UserInfo::toJson() const
{
    QJsonObject json;
    write(json);
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

UserInfo UserInfo::fromJson(const QString& json)
{
    UserInfo info;
    if (json.isEmpty())
        return info;
    info.read(QJsonDocument::fromJson(json.toUtf8()).object());
    return info;
}

UserInfo UserInfo::load()
{
    const QString json = QSettings().value(Keys::userInfoJson, QString()).toString();
    return json.isEmpty() ? UserInfo() : fromJson(json);
}

void UserInfo::save() const
{
    QSettings().setValue(Keys::userInfoJson, toJson());
}

void UserInfo::logout()
{
    _cvUserId.clear();
    _refreshToken.clear();
    _accessToken.clear();
    _accessTokenCreationMillisecs = 0;
    _accessTokenExpiriesInSecs = 0;
    save();
}

void UserInfo::write(QJsonObject& json) const
{
    json[kCvUserId] = _cvUserId;
    json[kRefreshToken] = _refreshToken;
    json[kAccessToken] = _accessToken;
    json[kCreationMillisecs] = _accessTokenCreationMillisecs;
    json[kExpiriesInSecs] = _accessTokenExpiriesInSecs;
}

void UserInfo::read(const QJsonObject& json)
{
    // Versions before this check stored whatever the server sent.
    _cvUserId = json.value(kCvUserId).toString();
    if (!isUsableUserId(_cvUserId))
        _cvUserId.clear();
    _refreshToken = json.value(kRefreshToken).toString();
    _accessToken = json.value(kAccessToken).toString();
    _accessTokenCreationMillisecs = toInt64(json.value(kCreationMillisecs));
    _accessTokenExpiriesInSecs = toInt64(json.value(kExpiriesInSecs));
}
