#include "FeedbackParser.h"

#include "HttpText.h"

#include "GzipMember.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QStringList>

FeedbackParser::Result FeedbackParser::parse(const QByteArray& body)
{
    Result result;
    const std::optional<QJsonObject> parsed = HttpText::jsonObject(body);
    if (!parsed) {
        result.error = QStringLiteral("body is not a JSON object");
        return result;
    }
    const QJsonObject obj = *parsed;
    static const QStringList known = {QStringLiteral("uuid"), QStringLiteral("user_message"),
                                      QStringLiteral("refresh_token"), QStringLiteral("log_file_compressed")};
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        result.where = it.key();
        if (!known.contains(it.key())) {
            result.error = QStringLiteral("unexpected member");
            return result;
        }
        if (!it.value().isString()) {
            result.error = QStringLiteral("not a string");
            return result;
        }
    }

    FeedbackRecord& rec = result.record;
    result.where = QStringLiteral("uuid");
    rec.uuid = obj.value(result.where).toString();
    if (rec.uuid.isEmpty()) {
        result.error = QStringLiteral("missing or empty");
        return result;
    }
    // The client leaves these out rather than sending them empty.
    for (const char* optional : {"user_message", "refresh_token", "log_file_compressed"}) {
        result.where = QString::fromLatin1(optional);
        if (obj.contains(result.where) && obj.value(result.where).toString().isEmpty()) {
            result.error = QStringLiteral("present but empty");
            return result;
        }
    }
    // The client keeps its placeholder text to itself.
    if (obj.value(QStringLiteral("user_message")).toString().trimmed() == QLatin1String("Your comments")) {
        result.where = QStringLiteral("user_message");
        result.error = QStringLiteral("the form's placeholder text");
        return result;
    }
    if (obj.contains(QStringLiteral("user_message")))
        rec.userMessage = obj.value(QStringLiteral("user_message")).toString();
    if (obj.contains(QStringLiteral("refresh_token")))
        rec.refreshToken = obj.value(QStringLiteral("refresh_token")).toString();

    result.where = QStringLiteral("log_file_compressed");
    if (obj.contains(result.where)) {
        const QByteArray base64 = obj.value(result.where).toString().toLatin1();
        const auto decoded = QByteArray::fromBase64Encoding(
            base64, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            result.error = QStringLiteral("not standard Base64");
            return result;
        }
        QByteArray log;
        QString gzipError;
        const QByteArray gzip = decoded.decoded;
        const GzipMember::Outcome outcome = GzipMember::decompress(gzip, maxLogBytes, &log, &gzipError);
        if (outcome != GzipMember::Outcome::Ok) {
            result.error = gzipError;
            if (outcome == GzipMember::Outcome::TooLarge)
                result.status = 413;
            return result;
        }
        rec.log = log;
        rec.logCompressedSize = gzip.size();
        rec.gzipHeader = gzip.left(10);
    }
    result.where.clear();
    return result;
}
