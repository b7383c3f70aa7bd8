#include "HttpClient.h"

#include "AppSignals.h"
#include "Clock.h"
#include "HttpClientWorker.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TokenMask.h"

#include <QAuthenticator>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSettings>

namespace {

QJsonObject parseObject(const QByteArray& body)
{
    // Anything that is not a JSON object reads as an empty one.
    return QJsonDocument::fromJson(body).object();
}

void registerMetaTypes()
{
    static const bool done = [] {
        qRegisterMetaType<QNetworkReply*>("QNetworkReply*");
        qRegisterMetaType<QNetworkAccessManager*>("QNetworkAccessManager*");
        qRegisterMetaType<QList<qint64>>("QList<qint64>");
        return true;
    }();
    Q_UNUSED(done);
}

bool isHtml(const QNetworkReply* reply)
{
    const QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
    const QString mediaType = type.section(QLatin1Char(';'), 0, 0).trimmed();
    return mediaType.compare(QLatin1String("text/html"), Qt::CaseInsensitive) == 0
        || mediaType.compare(QLatin1String("application/xhtml+xml"), Qt::CaseInsensitive) == 0;
}

// A server's text as it goes into the log and a notification: a reason, not a page.
QString shortened(const QString& text)
{
    constexpr int maxChars = 300;
    if (text.size() <= maxChars)
        return text;
    return text.left(maxChars) + QStringLiteral("... (%1 characters)").arg(text.size());
}

const QString kHtmlReason = QStringLiteral("Unexpected HTML page instead of the service's reply");

// A token from the server goes into request headers and the settings: anything but a
// plain bearer token is refused as if the server had sent none.
QString acceptedToken(const QString& token, const char* handler)
{
    if (token.isEmpty() || UserInfo::isUsableToken(token))
        return token;
    LK_CRITICAL() << handler << " - refused a token that is not printable ASCII without spaces, or longer than "
                  << UserInfo::maxTokenChars << " characters";
    return QString();
}

} // namespace

HttpClient::HttpClient(QObject* parent, int replyTimeoutMs) : QObject(parent)
{
    registerMetaTypes();
    _networkManager = new QNetworkAccessManager(this);
    connect(_networkManager, &QNetworkAccessManager::authenticationRequired, this,
            &HttpClient::onAuthenticationRequired);
    connect(_networkManager, &QNetworkAccessManager::sslErrors, this,
            [this](QNetworkReply* reply, const QList<QSslError>&) { onSSLErrors(reply); });

    _worker = new HttpClientWorker(replyTimeoutMs);
    _worker->moveToThread(&_networkThread);
    connect(&_networkThread, &QThread::finished, _worker, &QObject::deleteLater);

    connect(_worker, &HttpClientWorker::loginStatusReply, this, &HttpClient::handleLoginStatusReply);
    connect(_worker, &HttpClientWorker::exchangeTokenReply, this, &HttpClient::handleExchangeTokenReply);
    connect(_worker, &HttpClientWorker::uploadReply, this, &HttpClient::handleUploadReply);
    connect(_worker, &HttpClientWorker::sendFeedbackFinished, this, &HttpClient::handleSendFeedbackReply);
    connect(_worker, &HttpClientWorker::feedbackStatus, this, &HttpClient::feedbackStatus);

    _networkThread.start(QThread::InheritPriority);
}

HttpClient::~HttpClient()
{
    _networkThread.quit();
    _networkThread.wait();
}

QString HttpClient::loginStatusUrl(const QString& clientUuid)
{
    return QStringLiteral("%1/console/loginStatus/%2").arg(AppConstants::serverBaseUrl(), clientUuid);
}

QString HttpClient::exchangeTokenUrl()
{
    return QStringLiteral("%1/customer/api/v1/user/refreshidtoken").arg(AppConstants::serverBaseUrl());
}

QString HttpClient::activityUrl()
{
    return AppConstants::ingressBaseUrl() + QStringLiteral("/v2/desktop/activity");
}

QString HttpClient::feedbackUrl()
{
    return AppConstants::ingressBaseUrl() + QStringLiteral("/v2/feedback");
}

void HttpClient::checkLoginStatus()
{
    const QString clientUuid = QSettings().value(Keys::clientUuid, QString()).toString();
    _worker->doCheckLoginStatus(QUrl(loginStatusUrl(clientUuid)), _networkManager);
}

void HttpClient::exchangeToken(const QString& refreshToken)
{
    LK_INFO() << "exchangeToken - refreshToken=" << TokenMask::token(refreshToken);
    if (refreshToken.isEmpty()) {
        LK_CRITICAL() << "exchangeToken - refreshToken is empty, cannot exchange token";
        emit loginFailed(QStringLiteral("Login required: refresh token is empty"));
        return;
    }
    _worker->doExchangeToken(QUrl(exchangeTokenUrl()), refreshToken, _networkManager);
}

void HttpClient::upload(const QString& idArrayJsonStr, const QString& timeLogsJson)
{
    LK_DEBUG() << "uploading";
    _worker->doUpload(QUrl(activityUrl()), idArrayJsonStr, timeLogsJson, _networkManager);
}

void HttpClient::sendFeedback(const QString& comment)
{
    LK_DEBUG() << "HttpClient: Sending feedback...";
    _worker->doSendFeedback(QUrl(feedbackUrl()), comment, _networkManager);
}

void HttpClient::onAuthenticationRequired(QNetworkReply*, QAuthenticator* auth)
{
    LK_INFO() << "onAuthenticationRequired";
    // No credentials: the request ends with the authentication error and reaches its handler.
    auth->setUser(QString());
    auth->setPassword(QString());
}

void HttpClient::onSSLErrors(QNetworkReply* reply)
{
    // Certificate errors are never ignored.
    reply->abort();
}

void HttpClient::handleLoginStatusReply(QNetworkReply* reply)
{
    LK_DEBUG() << "handleLoginStatusReply...";
    if (reply->error() != QNetworkReply::NoError) {
        const QString error = reply->errorString();
        LK_CRITICAL() << "handleLoginStatusReply - error:" << error;
        emit errorString(tr("Larkspan"), error);
        emit loginFailed(error);
        reply->deleteLater();
        return;
    }
    // A captive portal's or proxy's page is no answer from the service, and reading it
    // as one would log in a user without an id.
    if (isHtml(reply)) {
        LK_CRITICAL() << "handleLoginStatusReply - error:" << kHtmlReason;
        emit errorString(tr("Larkspan"), kHtmlReason);
        emit loginFailed(kHtmlReason);
        reply->deleteLater();
        return;
    }
    const QByteArray body = reply->readAll();
    LK_INFO() << "handleLoginStatusReply - read response: " << shortened(TokenMask::reply(body));
    if (body.isEmpty()) {
        LK_INFO() << "handleLoginStatusReply - emit signal logging in";
        emit sigLoggingIn();
        reply->deleteLater();
        return;
    }
    const QJsonObject json = parseObject(body);
    QString cvUserId = json.value(QStringLiteral("cvUserId")).toString();
    if (!cvUserId.isEmpty() && !UserInfo::isUsableUserId(cvUserId)) {
        LK_CRITICAL() << "handleLoginStatusReply - refused a user id that is not printable, or longer than "
                      << UserInfo::maxUserIdChars << " characters";
        cvUserId.clear();
    }
    const QString refreshToken =
        acceptedToken(json.value(QStringLiteral("refreshToken")).toString(), "handleLoginStatusReply");
    LK_INFO() << "handleLoginStatusReply - parsed user info: cvUserId=" << cvUserId
              << ", refreshToken=" << TokenMask::token(refreshToken);
    UserInfo userInfo = UserInfo::load();
    userInfo.setCvUserId(cvUserId);
    userInfo.setRefreshToken(refreshToken);
    emit loginSuccess(userInfo);
    emit sigExchangeToken(refreshToken);
    reply->deleteLater();
}

void HttpClient::handleExchangeTokenReply(QNetworkReply* reply)
{
    LK_DEBUG() << "handleExchangeTokenReply...";
    if (reply->error() != QNetworkReply::NoError) {
        LK_CRITICAL() << "handleExchangeTokenReply - error: " << reply->error()
                      << ", errorString: " << reply->errorString();
        reply->deleteLater();
        return;
    }
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid()) {
        LK_CRITICAL() << "handleExchangeTokenReply - error: invalid HTTP status code";
        reply->deleteLater();
        return;
    }
    const int status = statusAttribute.toInt();
    const QByteArray body = reply->readAll();
    const QJsonObject json = parseObject(body);
    LK_INFO() << "handleExchangeTokenReply - read response: status=" << status
              << ", response=" << shortened(TokenMask::reply(body));
    if (status != 200) {
        LK_CRITICAL() << "handleExchangeTokenReply - error: status=" << status << ", reason="
                      << shortened(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
        reply->deleteLater();
        return;
    }
    const QString idToken = acceptedToken(json.value(QStringLiteral("idToken")).toString(), "handleExchangeTokenReply");
    if (!idToken.isEmpty()) {
        UserInfo userInfo = UserInfo::load();
        userInfo.setAccessToken(idToken);
        userInfo.setAccessTokenCreationMillisecs(Clock::currentMSecsSinceEpoch());
        userInfo.setAccessTokenExpiriesInSecs(tokenLifetimeSecs(json.value(QStringLiteral("expiresInSecs"))));
        userInfo.save();
        LK_INFO() << "handleExchangeTokenReply - updated userInfo: " << TokenMask::userInfo(userInfo);
        reply->deleteLater();
        return;
    }
    const QString resultState = json.value(QStringLiteral("resultState")).toString();
    if (resultState == QLatin1String("EXCHANGE_VALID"))
        emit loginFailed(QStringLiteral("Server error: said valid but no id token returned"));
    else if (resultState == QLatin1String("REFRESH_TOKEN_INVALID"))
        emit loginFailed(QStringLiteral("Re-login is required"));
    else if (resultState == QLatin1String("EXCHANGE_SERVER_ERROR"))
        emit errorString(tr("Larkspan"), tr("Transient network error occurred"));
    else
        LK_CRITICAL() << "handleExchangeTokenReply - error: unknown result state: " << resultState;
    reply->deleteLater();
}

void HttpClient::handleUploadReply(const QString& idArrayJsonStr, QNetworkReply* reply)
{
    // Every upload ends in a result or a failure: the uploader waits for one of them.
    if (!reply) {
        LK_CRITICAL() << "handleUploadReply - no reply";
        emit uploadFailed(QStringLiteral("No reply"));
        return;
    }
    LK_DEBUG() << "handleUploadReply - idArrayJsonStr=" << idArrayJsonStr;
    if (reply->error() != QNetworkReply::NoError) {
        const QString error = reply->errorString();
        LK_CRITICAL() << "handleUploadReply - error: type=" << reply->error() << ", reason=" << error;
        const bool authenticationFailed = reply->error() == QNetworkReply::AuthenticationRequiredError;
        emit errorString(tr("Larkspan"), error);
        if (authenticationFailed)
            emit uploadUnauthorized();
        emit uploadFailed(error);
        if (authenticationFailed)
            exchangeToken(UserInfo::load().refreshToken());
        reply->deleteLater();
        return;
    }
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid()) {
        LK_CRITICAL() << "handleUploadReply - statusCode is invalid";
        emit errorString(tr("Larkspan"), tr("Invalid status returned"));
        emit uploadFailed(QStringLiteral("Invalid status returned"));
        reply->deleteLater();
        return;
    }
    if (statusAttribute.toInt() != 200) {
        // The body is the reason, shown in a notification too: a few lines at most.
        const QString body = shortened(QString::fromUtf8(reply->readAll()));
        LK_CRITICAL() << "handleUploadReply - read response: " << body;
        emit errorString(tr("Larkspan"), body);
        emit uploadFailed(body);
        reply->deleteLater();
        return;
    }
    // A captive portal or a misconfigured proxy answers 200 with a page of its own: that
    // is not the service accepting the logs, and deleting them would lose the time.
    if (isHtml(reply)) {
        LK_CRITICAL() << "handleUploadReply - " << kHtmlReason << ": "
                      << shortened(QString::fromUtf8(reply->readAll()));
        emit errorString(tr("Larkspan"), kHtmlReason);
        emit uploadFailed(kHtmlReason);
        reply->deleteLater();
        return;
    }
    // Ids are read as 64-bit numbers, so no accepted log stays behind to be sent again.
    QList<qint64> results;
    const QJsonArray ids = QJsonDocument::fromJson(idArrayJsonStr.toUtf8()).array();
    for (const QJsonValue& id : ids)
        results.append(id.toVariant().toLongLong());
    LK_INFO() << "handleUploadReply - success (going to delete time logs from cache)";
    emit uploadResults(results);
    reply->deleteLater();
}

void HttpClient::handleSendFeedbackReply(QNetworkReply* reply)
{
    LK_DEBUG() << "handleSendFeedbackReply...";
    if (reply->error() != QNetworkReply::NoError) {
        LK_CRITICAL() << "handleSendFeedbackReply - error:" << reply->errorString();
        emit feedbackError(reply->errorString());
        reply->deleteLater();
        return;
    }
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!statusAttribute.isValid()) {
        LK_CRITICAL() << "handleSendFeedbackReply - statusCode is invalid";
        // The diagnostics dialog shows these in its window, in the interface language.
        emit feedbackError(tr("Failed to send diagnostics: Invalid status returned"));
        reply->deleteLater();
        return;
    }
    const int status = statusAttribute.toInt();
    const QByteArray body = reply->readAll();
    LK_INFO() << "handleSendFeedbackReply - read response: " << shortened(TokenMask::reply(body));
    if (status != 200) {
        emit feedbackError(tr("Failed to send diagnostics: Unexpected status %1").arg(status));
        reply->deleteLater();
        return;
    }
    const QString result = parseObject(body).value(QStringLiteral("result")).toString();
    LK_INFO() << "handleSendFeedbackReply - got result: " << shortened(result);
    if (result == QLatin1String("FEEDBACK_SERVER_ERROR")) {
        emit feedbackError(tr("Failed to send diagnostics: Server error"));
    } else {
        emit feedbackSuccess();
        emit AppSignals::instance()->showMessage(QStringLiteral("Larkspan"),
                                                 tr("Diagnostics sent successfully - thank you."));
    }
    reply->deleteLater();
}

qint64 HttpClient::tokenLifetimeSecs(const QJsonValue& value)
{
    if (value.isUndefined())
        return 0;
    // No access token lives longer than a month. A lifetime beyond that, below zero or not
    // a number at all is a broken answer, not a token to renew at every pass (which would
    // leave no pass to upload in): it gets the service's usual hour.
    constexpr double maxSecs = 31.0 * 24 * 3600;
    if (value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= maxSecs)
        return qint64(value.toDouble());
    if (!_lifetimeRefusalLogged) {
        _lifetimeRefusalLogged = true;
        const QByteArray shown = QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact);
        LK_WARNING() << "handleExchangeTokenReply - expiresInSecs outside 0 to 31 days, taken as "
                     << defaultTokenLifetimeSecs
                     << " s: " << QString::fromUtf8(shown.mid(1, qMin(64, shown.size() - 2)));
    }
    return defaultTokenLifetimeSecs;
}
