#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QUrl>

#include <optional>

// The answer to one request, read whole.
struct HttpResult {
    int status = 0; // 0 when no HTTP status arrived
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    QByteArray body;
    QByteArray contentType;
    qint64 elapsedMs = 0;

    QJsonObject json() const;
    bool isJsonObject() const;
};

// Blocking requests through QNetworkAccessManager, the way the client sends them, so the
// tests see the server as the client's network layer does (401 as the
// authentication-required error, TLS verified against the system's trust store).
class HttpProbe
{
public:
    explicit HttpProbe(QUrl base);

    HttpResult get(const QString& pathAndQuery, int timeoutMs = 20000);
    // Content-Type application/json; with a token an "Authorization: Bearer <token>" header
    // (an empty token still sends the header).
    HttpResult postJson(const QString& pathAndQuery, const QByteArray& body,
                        const std::optional<QString>& bearer = std::nullopt, int timeoutMs = 20000);
    HttpResult post(const QString& pathAndQuery, const QByteArray& body, const QByteArray& contentType,
                    int timeoutMs = 20000);

    void setSslConfiguration(const QSslConfiguration& config) { _ssl = config; }

    // Convenience for the dev endpoints.
    QJsonObject devLogin(const QString& user, const QString& clientUuid = QString());
    QString accessTokenFor(const QString& refreshToken);

private:
    QNetworkRequest request(const QString& pathAndQuery) const;
    HttpResult run(QNetworkReply* reply, int timeoutMs);

    QUrl _base;
    QNetworkAccessManager _nam;
    std::optional<QSslConfiguration> _ssl;
};
