#include "HttpClientWorker.h"

#include "QReplyTimeout.h"
#include "QtLog.h"
#include "ReplySizeLimit.h"
#include "TokenMask.h"
#include "UserInfo.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtEndian>

#include <zlib.h>

HttpClientWorker::HttpClientWorker(int replyTimeoutMs) : _replyTimeoutMs(replyTimeoutMs) {}

HttpClientWorker::~HttpClientWorker() = default;

QNetworkRequest HttpClientWorker::request(const QUrl& url, const QString& contentType)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    // Asking for the body as it is keeps the network layer from inflating a compressed
    // reply on its own, in one piece and before any size limit could look at it.
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

QNetworkRequest HttpClientWorker::jsonRequest(const QUrl& url, bool authorized) const
{
    QNetworkRequest jsonRequest = request(url, QStringLiteral("application/json"));
    if (authorized) {
        // A token that is not a plain bearer token could carry line breaks into the
        // request's headers: it is left out, and the server's refusal renews it.
        QString token = UserInfo::load().accessToken();
        if (!UserInfo::isUsableToken(token))
            token.clear();
        jsonRequest.setRawHeader("Authorization", QStringLiteral("Bearer %1").arg(token).toUtf8());
    }
    return jsonRequest;
}

void HttpClientWorker::armTimeout(QNetworkReply* reply)
{
    new QReplyTimeout(reply, _replyTimeoutMs);
    new ReplySizeLimit(reply);
}

void HttpClientWorker::doCheckLoginStatus(const QUrl& url, QNetworkAccessManager* nm)
{
    LK_INFO() << QStringLiteral("doCheckLoginStatus: url=%1").arg(url.toString());
    QNetworkReply* reply = nm->get(request(url, QStringLiteral("text/plain")));
    connect(reply, &QNetworkReply::finished, this, &HttpClientWorker::notifyLoginStatusReply);
    armTimeout(reply);
}

void HttpClientWorker::doExchangeToken(const QUrl& url, const QString& refreshToken, QNetworkAccessManager* nm)
{
    LK_INFO() << QStringLiteral("doExchangeToken: url=%1, refreshToken=%2")
                     .arg(url.toString(), TokenMask::token(refreshToken));
    QJsonObject body;
    body.insert(QStringLiteral("refresh_token"), refreshToken);
    body.insert(QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP"));
    QNetworkReply* reply = nm->post(jsonRequest(url, false), QJsonDocument(body).toJson(QJsonDocument::Compact));
    connect(reply, &QNetworkReply::finished, this, &HttpClientWorker::notifyExchangeTokenReply);
    armTimeout(reply);
}

void HttpClientWorker::doUpload(const QUrl& url, const QString& idArrayJsonStr, const QString& timeLogsJson,
                                QNetworkAccessManager* nm)
{
    LK_INFO() << QStringLiteral("doUpload: url=%1").arg(url.toString());
    QNetworkReply* reply = nm->post(jsonRequest(url, true), timeLogsJson.toUtf8());
    // Each reply carries its own id list to the relay, so every reply is relayed exactly
    // once, also when two requests carry the same list; the uploader waits for that relay.
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, idArrayJsonStr] { notifyUploadReply(idArrayJsonStr, reply); });
    armTimeout(reply);
    LK_DEBUG() << "doUpload: uploadReqJson=" << timeLogsJson;
    LK_INFO() << "doUpload: posted data to server.";
}

void HttpClientWorker::doSendFeedback(const QUrl& url, const QString& comment, QNetworkAccessManager* nm)
{
    LK_INFO() << QStringLiteral("doSendFeedback: url=%1").arg(url.toString());
    const UserInfo user = UserInfo::load();
    QJsonObject body;
    body.insert(QStringLiteral("uuid"), user.cvUserId().isEmpty() ? QStringLiteral("unknownUser") : user.cvUserId());
    if (!comment.isEmpty() && comment.trimmed() != QLatin1String("Your comments"))
        body.insert(QStringLiteral("user_message"), comment);
    if (!user.refreshToken().isEmpty())
        body.insert(QStringLiteral("refresh_token"), user.refreshToken());

    emit feedbackStatus(tr("Compressing logs..."));
    QFile log(QtLog::getConf().getLogFilePath());
    if (log.open(QIODevice::ReadOnly)) {
        QtLog::getConf().flush();
        body.insert(QStringLiteral("log_file_compressed"), QString::fromLatin1(gzipCompress(log.readAll()).toBase64()));
        emit feedbackStatus(tr("Sending feedback report..."));
    }

    QNetworkReply* reply = nm->post(jsonRequest(url, true), QJsonDocument(body).toJson(QJsonDocument::Compact));
    LK_INFO() << "doSendFeedback: posted JSON data to server";
    connect(reply, &QNetworkReply::finished, this, &HttpClientWorker::notifySendFeedbackReply);
    armTimeout(reply);
}

QByteArray HttpClientWorker::gzipCompress(const QByteArray& data)
{
    static const char header[] = {'\x1f', '\x8b', '\x08', 0, 0, 0, 0, 0, 0, '\x0b'};
    QByteArray gzip(header, sizeof(header));
    // Raw deflate data between our own header and trailer. Even an empty log (a fresh
    // profile at the default level) needs its final block, which gzip readers insist on.
    z_stream zs {};
    if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return QByteArray();
    QByteArray deflated(int(deflateBound(&zs, uLong(data.size()))), Qt::Uninitialized);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(deflated.data());
    zs.avail_out = uInt(deflated.size());
    const int rc = deflate(&zs, Z_FINISH);
    const int produced = deflated.size() - int(zs.avail_out);
    deflateEnd(&zs);
    if (rc != Z_STREAM_END)
        return QByteArray();
    gzip.append(deflated.constData(), produced);
    const quint32 crc = static_cast<quint32>(
        crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()), static_cast<uInt>(data.size())));
    char trailer[8];
    qToLittleEndian<quint32>(crc, trailer);
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), trailer + 4);
    gzip.append(trailer, sizeof(trailer));
    return gzip;
}

void HttpClientWorker::notifyLoginStatusReply()
{
    emit loginStatusReply(qobject_cast<QNetworkReply*>(sender()));
}

void HttpClientWorker::notifyExchangeTokenReply()
{
    emit exchangeTokenReply(qobject_cast<QNetworkReply*>(sender()));
}

void HttpClientWorker::notifySendFeedbackReply()
{
    emit sendFeedbackFinished(qobject_cast<QNetworkReply*>(sender()));
}

void HttpClientWorker::notifyUploadReply(const QString& idArrayJsonStr, QNetworkReply* reply)
{
    LK_DEBUG() << QStringLiteral("notifyUploadReply: idArrayJsonStr=%1").arg(idArrayJsonStr);
    LK_DEBUG() << "notifyUploadReply: reply=" << reply;
    emit uploadReply(idArrayJsonStr, reply);
}
