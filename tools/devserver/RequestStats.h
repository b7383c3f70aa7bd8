#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>

#include <mutex>

// How many requests each endpoint has seen, so a test can tell that the client sent
// nothing at all (not merely nothing that was stored).
class RequestStats
{
public:
    void count(const QString& endpoint);
    QJsonObject toJson() const;

private:
    mutable std::mutex _mutex;
    QMap<QString, int> _counts;
};
