#include "HttpProbe.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <QUrlQuery>

QJsonObject HttpResult::json() const
{
    return QJsonDocument::fromJson(body).object();
}

bool HttpResult::isJsonObject() const
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    return error.error == QJsonParseError::NoError && doc.isObject();
}

HttpProbe::HttpProbe(QUrl base) : _base(std::move(base)) {}

QNetworkRequest HttpProbe::request(const QString& pathAndQuery) const
{
    QNetworkRequest req(QUrl(_base.toString() + pathAndQuery));
    if (_ssl)
        req.setSslConfiguration(*_ssl);
    return req;
}

HttpResult HttpProbe::get(const QString& pathAndQuery, int timeoutMs)
{
    return run(_nam.get(request(pathAndQuery)), timeoutMs);
}

HttpResult HttpProbe::postJson(const QString& pathAndQuery, const QByteArray& body,
                               const std::optional<QString>& bearer, int timeoutMs)
{
    QNetworkRequest req = request(pathAndQuery);
    req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    if (bearer)
        req.setRawHeader("Authorization", "Bearer " + bearer->toUtf8());
    return run(_nam.post(req, body), timeoutMs);
}

HttpResult HttpProbe::post(const QString& pathAndQuery, const QByteArray& body, const QByteArray& contentType,
                           int timeoutMs)
{
    QNetworkRequest req = request(pathAndQuery);
    req.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    return run(_nam.post(req, body), timeoutMs);
}

HttpResult HttpProbe::run(QNetworkReply* reply, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec();

    HttpResult r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.error = reply->error();
    r.errorString = reply->errorString();
    if (reply->isOpen()) // an aborted reply is closed
        r.body = reply->readAll();
    r.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    r.elapsedMs = clock.elapsed();
    reply->deleteLater();
    return r;
}

QJsonObject HttpProbe::devLogin(const QString& user, const QString& clientUuid)
{
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("user"), user);
    if (!clientUuid.isEmpty())
        q.addQueryItem(QStringLiteral("lkCuid"), clientUuid);
    return post(QStringLiteral("/dev/login?") + q.toString(QUrl::FullyEncoded), QByteArray(),
                QByteArrayLiteral("text/plain"))
        .json();
}

QString HttpProbe::accessTokenFor(const QString& refreshToken)
{
    const QJsonObject body {{QStringLiteral("refresh_token"), refreshToken},
                            {QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP")}};
    return postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"),
                    QJsonDocument(body).toJson(QJsonDocument::Compact))
        .json()
        .value(QStringLiteral("idToken"))
        .toString();
}
