#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

// A time log as the client writes it into an upload: eleven members, three of them numbers.
inline QJsonObject timeLogJson(qint64 clientId, const QString& start, const QString& end,
                               const QString& app = QStringLiteral("kate"),
                               const QString& title = QStringLiteral("notes.txt - Kate"))
{
    return QJsonObject {{QStringLiteral("client_id"), double(clientId)},
                        {QStringLiteral("start_time"), start},
                        {QStringLiteral("end_time"), end},
                        {QStringLiteral("app_name"), app},
                        {QStringLiteral("activity_description"), title},
                        {QStringLiteral("platform"), QStringLiteral("Debian GNU/Linux 12 (bookworm)")},
                        {QStringLiteral("tz_utc_offset"), 1},
                        {QStringLiteral("tz_database_val"), QStringLiteral("Europe/Berlin")},
                        {QStringLiteral("machine_address"), QStringLiteral("52:54:00:12:34:56")},
                        {QStringLiteral("active_count"), 7},
                        {QStringLiteral("meta_data"), QString()}};
}

inline QByteArray uploadEnvelope(const QJsonArray& logs)
{
    return QJsonDocument(QJsonObject {{QStringLiteral("lk_client_activity"), logs}}).toJson(QJsonDocument::Compact);
}
