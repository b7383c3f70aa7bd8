#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// Forms the four requests to the service, posts them through the given manager, arms a
// reply time-out and relays each finished reply to its client. It interprets nothing.
class HttpClientWorker : public QObject
{
    Q_OBJECT
public:
    explicit HttpClientWorker(int replyTimeoutMs = 120000);
    ~HttpClientWorker() override;

    // The feedback's gzip member: raw deflate data between the 10-byte header and the
    // CRC-32 / length trailer, readable by any gzip tool.
    static QByteArray gzipCompress(const QByteArray& data);

public slots:
    void doCheckLoginStatus(const QUrl& url, QNetworkAccessManager* nm);
    void doExchangeToken(const QUrl& url, const QString& refreshToken, QNetworkAccessManager* nm);
    void doUpload(const QUrl& url, const QString& idArrayJsonStr, const QString& timeLogsJson,
                  QNetworkAccessManager* nm);
    void doSendFeedback(const QUrl& url, const QString& comment, QNetworkAccessManager* nm);

signals:
    void loginStatusReply(QNetworkReply* reply);
    void exchangeTokenReply(QNetworkReply* reply);
    void uploadReply(QString idArrayJsonStr, QNetworkReply* reply);
    void sendFeedbackFinished(QNetworkReply* reply);
    void feedbackStatus(QString status);

private slots:
    void notifyLoginStatusReply();
    void notifyExchangeTokenReply();
    void notifySendFeedbackReply();
    void notifyUploadReply(const QString& idArrayJsonStr, QNetworkReply* reply);

private:
    static QNetworkRequest request(const QUrl& url, const QString& contentType);
    QNetworkRequest jsonRequest(const QUrl& url, bool authorized) const;
    // The reply time-out and the reply size limit.
    void armTimeout(QNetworkReply* reply);

    int _replyTimeoutMs;
};
