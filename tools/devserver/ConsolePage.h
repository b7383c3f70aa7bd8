#pragma once

#include "ActivityRecord.h"

#include <QString>

#include <vector>

// The web console: a user's uploaded activity as a timeline per day, in the time zone
// each log was recorded in.
class ConsolePage
{
public:
    // records in start order.
    static QString render(const QString& userId, const std::vector<ActivityRecord>& records);
    static QString unknownLink();

    // "h:mm:ss"
    static QString duration(qint64 secs);
};
