#include "ActivityParser.h"

#include "HttpText.h"

#include <QDate>
#include <QTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {
const QString kEnvelope = QStringLiteral("lk_client_activity");

const QStringList& logMembers()
{
    static const QStringList names = {QStringLiteral("client_id"),
                                      QStringLiteral("start_time"),
                                      QStringLiteral("end_time"),
                                      QStringLiteral("app_name"),
                                      QStringLiteral("activity_description"),
                                      QStringLiteral("platform"),
                                      QStringLiteral("tz_utc_offset"),
                                      QStringLiteral("tz_database_val"),
                                      QStringLiteral("machine_address"),
                                      QStringLiteral("active_count"),
                                      QStringLiteral("meta_data")};
    return names;
}

// JSON has only doubles; an integer member must be a whole number within the exactly
// representable range, never 1.5 or 1e300.
bool readInteger(const QJsonValue& v, qint64 min, qint64 max, qint64* out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || d < double(min) || d > double(max))
        return false;
    *out = qint64(d);
    return true;
}

bool readUtcInstant(const QJsonValue& v, QString* text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{14}$"));
    if (!v.isString() || !digits.match(v.toString()).hasMatch())
        return false;
    // Date and time apart: as one local QDateTime an instant inside a daylight-saving gap
    // of this machine would read as invalid, though it is a valid UTC instant.
    const QString s = v.toString();
    if (!QDate::fromString(s.left(8), QStringLiteral("yyyyMMdd")).isValid()
        || !QTime::fromString(s.mid(8), QStringLiteral("HHmmss")).isValid())
        return false;
    *text = v.toString();
    return true;
}
} // namespace

ActivityParser::Result ActivityParser::parse(const QByteArray& body)
{
    Result result;
    const std::optional<QJsonObject> parsed = HttpText::jsonObject(body);
    if (!parsed) {
        result.error = QStringLiteral("body is not a JSON object");
        return result;
    }
    const QJsonObject envelope = *parsed;
    for (auto it = envelope.begin(); it != envelope.end(); ++it) {
        if (it.key() != kEnvelope) {
            result.error = QStringLiteral("unexpected member");
            result.where = it.key();
            return result;
        }
    }
    result.where = kEnvelope;
    if (!envelope.value(kEnvelope).isArray()) {
        result.error = QStringLiteral("missing or not an array");
        return result;
    }
    const QJsonArray logs = envelope.value(kEnvelope).toArray();
    if (logs.isEmpty()) {
        result.error = QStringLiteral("empty array");
        return result;
    }
    if (logs.size() > maxLogsPerRequest) {
        result.error = QStringLiteral("more than %1 time logs").arg(maxLogsPerRequest);
        return result;
    }
    result.records.reserve(size_t(logs.size()));
    for (int i = 0; i < logs.size(); ++i) {
        const QString at = QStringLiteral("%1[%2]").arg(kEnvelope).arg(i);
        if (!logs.at(i).isObject()) {
            result.records.clear();
            result.error = QStringLiteral("not an object");
            result.where = at;
            return result;
        }
        ActivityRecord rec;
        QString member;
        const QString error = parseLog(logs.at(i).toObject(), &rec, &member);
        if (!error.isEmpty()) {
            result.records.clear();
            result.error = error;
            result.where = at + QLatin1Char('.') + member;
            return result;
        }
        result.records.push_back(rec);
    }
    result.where.clear();
    return result;
}

QString ActivityParser::parseLog(const QJsonObject& obj, ActivityRecord* rec, QString* member)
{
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (!logMembers().contains(it.key())) {
            *member = it.key();
            return QStringLiteral("unexpected member");
        }
    }
    for (const QString& name : logMembers()) {
        if (!obj.contains(name)) {
            *member = name;
            return QStringLiteral("missing member");
        }
    }

    // Every string member must be a JSON string, whatever its content rules.
    for (const QString& name : logMembers()) {
        const bool numeric = name == QLatin1String("client_id") || name == QLatin1String("tz_utc_offset")
            || name == QLatin1String("active_count");
        if (!numeric && !obj.value(name).isString()) {
            *member = name;
            return QStringLiteral("not a string");
        }
    }

    qint64 number = 0;
    *member = QStringLiteral("client_id");
    if (!readInteger(obj.value(*member), 1, (qint64(1) << 53), &number))
        return QStringLiteral("not a positive integer");
    rec->clientId = number;

    *member = QStringLiteral("start_time");
    if (!readUtcInstant(obj.value(*member), &rec->startTime))
        return QStringLiteral("not a UTC instant yyyyMMddHHmmss");
    *member = QStringLiteral("end_time");
    if (!readUtcInstant(obj.value(*member), &rec->endTime))
        return QStringLiteral("not a UTC instant yyyyMMddHHmmss");
    // Fixed width digits: text order is time order.
    if (rec->endTime < rec->startTime)
        return QStringLiteral("ends before it starts");

    // Blank names are sent as a marker by the client, never as blanks.
    *member = QStringLiteral("app_name");
    rec->appName = obj.value(*member).toString();
    if (rec->appName.trimmed().isEmpty())
        return QStringLiteral("blank");
    *member = QStringLiteral("activity_description");
    rec->activityDescription = obj.value(*member).toString();
    if (rec->activityDescription.trimmed().isEmpty())
        return QStringLiteral("blank");
    *member = QStringLiteral("platform");
    rec->platform = obj.value(*member).toString();
    if (rec->platform.isEmpty())
        return QStringLiteral("empty");
    *member = QStringLiteral("machine_address");
    rec->machineAddress = obj.value(*member).toString();
    if (rec->machineAddress.isEmpty())
        return QStringLiteral("empty");

    // Whole hours; real zones lie between UTC-12 and UTC+14.
    *member = QStringLiteral("tz_utc_offset");
    if (!readInteger(obj.value(*member), -12, 14, &number))
        return QStringLiteral("not whole hours between -12 and 14");
    rec->tzUtcOffset = int(number);
    *member = QStringLiteral("active_count");
    if (!readInteger(obj.value(*member), 0, 0x7fffffff, &number))
        return QStringLiteral("not a non-negative 32-bit integer");
    rec->activeCount = int(number);

    rec->tzDatabaseVal = obj.value(QStringLiteral("tz_database_val")).toString();
    rec->metaData = obj.value(QStringLiteral("meta_data")).toString();
    member->clear();
    return QString();
}
