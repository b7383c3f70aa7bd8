#include "BrowserLogin.h"

#include "Clock.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TokenMask.h"
#include "UserInfo.h"

#include <QSettings>

namespace {

// Sooner than this after the login page was opened, the user is taken to be still busy
// in the browser, and a pending login only gets logged.
constexpr qint64 kLoginPendingSecs = 30;

} // namespace

QString BrowserLogin::loginUrl()
{
    return buildLoginUrl(QSettings().value(Keys::clientUuid, QString()).toString());
}

QString BrowserLogin::buildLoginUrl(const QString& clientUuid)
{
    return QStringLiteral("%1/console/?lkCuid=%2").arg(AppConstants::serverBaseUrl(), clientUuid);
}

QString BrowserLogin::buildConsoleUrl(const QString& refreshToken)
{
    LK_INFO() << QStringLiteral("Building console URL: refreshToken=%2").arg(TokenMask::token(refreshToken));
    const QString url = QStringLiteral("%1/console/login/r/%2").arg(AppConstants::serverBaseUrl(), refreshToken);
    LK_INFO() << QStringLiteral("Built console URL: %1").arg(TokenMask::inText(url, refreshToken));
    return url;
}

QString BrowserLogin::consoleUrl()
{
    const UserInfo userInfo = UserInfo::load();
    if (userInfo.refreshToken().isEmpty())
        return QString();
    const QString url = buildConsoleUrl(userInfo.refreshToken());
    LK_DEBUG() << "consoleUrl: " << TokenMask::inText(url, userInfo.refreshToken());
    return url;
}

QString BrowserLogin::startLogin()
{
    loginStartedAt = Clock::nowUtc();
    const QString url = loginUrl();
    LK_DEBUG() << "loginUrl: " << url;
    return url;
}

bool BrowserLogin::isOverdue() const
{
    const QDateTime now = Clock::nowUtc();
    const qint64 diff = loginStartedAt.isValid() ? loginStartedAt.secsTo(now) : 0;
    LK_INFO() << "onLoggingIn: loginStart=" << loginStartedAt << ", now=" << now << ", diff=" << diff << " seconds";
    // Either way: a clock set back must not keep the window away.
    return qAbs(diff) > kLoginPendingSecs;
}
