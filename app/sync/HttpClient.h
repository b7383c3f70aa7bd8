#pragma once

#include "UserInfo.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThread>

// Carried by loginSuccess; a direct call in the program, but tests record it.
Q_DECLARE_METATYPE(UserInfo)

class HttpClientWorker;
class QJsonValue;
class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;

// How the program talks to the service: one slot per request, and signals that say what
// each reply meant. Handlers run on the thread that created the client.
class HttpClient : public QObject
{
    Q_OBJECT
public:
    // Tests shorten the reply time-out; the program keeps two minutes.
    explicit HttpClient(QObject* parent = nullptr, int replyTimeoutMs = 120000);
    ~HttpClient() override;

    static QString loginStatusUrl(const QString& clientUuid);
    static QString exchangeTokenUrl();
    static QString activityUrl();
    static QString feedbackUrl();

signals:
    void sigLoggingIn();
    void sigExchangeToken(QString refreshToken);
    void sigUpload(QString idArrayJsonStr, QString timeLogsJson);
    void loginSuccess(UserInfo userInfo);
    void loginFailed(QString reason);
    void uploadResults(QList<qint64> results);
    void uploadFailed(QString reason);
    // The service refused the access token of an upload; an exchange of the refresh token
    // follows. Comes just before that upload's uploadFailed.
    void uploadUnauthorized();
    void errorString(QString title, QString message);
    void feedbackStatus(QString status);
    void feedbackError(QString reason);
    void feedbackSuccess();

public slots:
    void checkLoginStatus();
    void exchangeToken(const QString& refreshToken);
    void upload(const QString& idArrayJsonStr, const QString& timeLogsJson);
    void sendFeedback(const QString& comment);

private slots:
    void onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* auth);
    void onSSLErrors(QNetworkReply* reply);
    void handleLoginStatusReply(QNetworkReply* reply);
    void handleExchangeTokenReply(QNetworkReply* reply);
    void handleUploadReply(const QString& idArrayJsonStr, QNetworkReply* reply);
    void handleSendFeedbackReply(QNetworkReply* reply);

private:
    // The lifetime the service gives its access tokens.
    static constexpr qint64 defaultTokenLifetimeSecs = 3600;

    // "expiresInSecs" of a token exchange: missing reads as 0, out of range as the default
    // lifetime, said once.
    qint64 tokenLifetimeSecs(const QJsonValue& value);

    QNetworkAccessManager* _networkManager;
    HttpClientWorker* _worker;
    QThread _networkThread;
    bool _lifetimeRefusalLogged = false;
};
