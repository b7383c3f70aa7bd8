#pragma once

#include "FeedbackRecord.h"

#include <QByteArray>
#include <QString>

// Reads a diagnostics report: "uuid" always, the comment, refresh token and compressed
// log only when present, nothing else.
class FeedbackParser
{
public:
    struct Result
    {
        FeedbackRecord record;
        QString error; // empty when accepted
        QString where; // the faulty member
    };

    static Result parse(const QByteArray& body);
};
