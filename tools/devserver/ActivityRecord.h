#pragma once

#include <QString>

// One uploaded time log as the server keeps it: the eleven members of the upload object
// plus whose it is and when it arrived.
struct ActivityRecord {
    qint64 clientId = 0;
    QString startTime; // UTC "yyyyMMddHHmmss"
    QString endTime;
    QString appName;
    QString activityDescription;
    QString platform;
    int tzUtcOffset = 0;
    QString tzDatabaseVal;
    QString machineAddress;
    int activeCount = 0;
    QString metaData;

    QString userId;
    qint64 receivedAtMs = 0;
};
