#include "RequestStats.h"

void RequestStats::count(const QString& endpoint)
{
    std::lock_guard<std::mutex> lock(_mutex);
    ++_counts[endpoint];
}

QJsonObject RequestStats::toJson() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    QJsonObject out;
    for (auto it = _counts.begin(); it != _counts.end(); ++it)
        out.insert(it.key(), it.value());
    return out;
}
