#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One diagnostics report as received; the log is kept decompressed.
struct FeedbackRecord {
    qint64 id = 0;
    qint64 receivedAtMs = 0;
    QString uuid;
    std::optional<QString> userMessage;
    std::optional<QString> refreshToken;
    QString authorisedUser; // owner of the bearer token, empty when it was not valid
    std::optional<QByteArray> log;
    qint64 logCompressedSize = 0;
    QByteArray gzipHeader; // the first ten bytes of the compressed log
};
