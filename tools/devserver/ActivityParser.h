#pragma once

#include "ActivityRecord.h"

#include <QByteArray>
#include <QString>

#include <vector>

class QJsonObject;

// Reads an upload envelope and checks every member of every time log, so a client that
// sends a wrong name, type or format is refused before anything is stored.
class ActivityParser
{
public:
    struct Result {
        std::vector<ActivityRecord> records;
        QString error; // empty when the envelope was accepted
        QString where; // JSON path of the faulty member, e.g. lk_client_activity[3].end_time
    };

    static Result parse(const QByteArray& body);

    // Upper bound of one request; the client sends at most 500.
    static constexpr int maxLogsPerRequest = 1000;

private:
    static QString parseLog(const QJsonObject& obj, ActivityRecord* rec, QString* member);
};
