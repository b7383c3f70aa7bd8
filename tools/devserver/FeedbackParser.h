#pragma once

#include "FeedbackRecord.h"

#include <QByteArray>
#include <QString>

// Reads a diagnostics report: "uuid" always, the comment, refresh token and compressed
// log only when present, nothing else.
class FeedbackParser
{
public:
    struct Result {
        FeedbackRecord record;
        QString error; // empty when accepted
        QString where; // the faulty member
        int status = 400; // the answer to a refused report
    };

    // The client's log is rolled over well below this; a log that inflates beyond it is
    // refused before it is held in memory whole.
    static constexpr qint64 maxLogBytes = 30 * 1024 * 1024;

    static Result parse(const QByteArray& body);
};
