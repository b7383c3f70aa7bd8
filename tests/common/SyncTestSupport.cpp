#include "SyncTestSupport.h"

#include "Clock.h"

#include "UserInfo.h"

#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrlQuery>

namespace SyncTest {

void useServer(const DevServerProcess& server, const QString& scheme)
{
    const QByteArray base = scheme.toUtf8() + "://127.0.0.1:" + QByteArray::number(server.port());
    qputenv("LARKSPAN_SERVER_URL", base);
    qputenv("LARKSPAN_INGRESS_URL", base);
}

int request(const QByteArray& method, const QUrl& url, QByteArray* body)
{
    QNetworkAccessManager manager;
    QNetworkRequest req(url);
    req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    QNetworkReply* reply = manager.sendCustomRequest(req, method, QByteArray());
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (body)
        *body = reply->readAll();
    delete reply;
    return status;
}

QJsonObject requestJson(const QByteArray& method, const QUrl& url)
{
    QByteArray body;
    request(method, url, &body);
    return QJsonDocument::fromJson(body).object();
}

UserInfo logInAndStore(const DevServerProcess& server, const QString& user)
{
    const QJsonObject login = requestJson("POST", server.url(QStringLiteral("/dev/login?user=") + user));
    const QString refreshToken = login.value(QStringLiteral("refreshToken")).toString();
    QByteArray body;
    QNetworkAccessManager manager;
    QNetworkRequest req(server.url(QStringLiteral("/customer/api/v1/user/refreshidtoken")));
    req.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    const QByteArray payload =
        QJsonDocument(QJsonObject {{QStringLiteral("refresh_token"), refreshToken},
                                   {QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP")}})
            .toJson(QJsonDocument::Compact);
    QNetworkReply* reply = manager.post(req, payload);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonObject exchange = QJsonDocument::fromJson(reply->readAll()).object();
    delete reply;

    UserInfo info;
    info.setCvUserId(login.value(QStringLiteral("cvUserId")).toString());
    info.setRefreshToken(refreshToken);
    info.setAccessToken(exchange.value(QStringLiteral("idToken")).toString());
    info.setAccessTokenCreationMillisecs(Clock::currentMSecsSinceEpoch());
    info.setAccessTokenExpiriesInSecs(exchange.value(QStringLiteral("expiresInSecs")).toVariant().toLongLong());
    info.save();
    return info;
}

void behave(const DevServerProcess& server, const QString& query)
{
    request("POST", server.url(QStringLiteral("/dev/behaviour?") + query));
}

QList<QJsonObject> activities(const DevServerProcess& server, const QString& user)
{
    QList<QJsonObject> list;
    const QJsonArray array = requestJson("GET", server.url(QStringLiteral("/dev/activities?user=") + user))
                                 .value(QStringLiteral("activities"))
                                 .toArray();
    for (const QJsonValue& value : array)
        list << value.toObject();
    return list;
}

} // namespace SyncTest
