#include "UploadedActivities.h"

#include "E2eDesktop.h"

#include <QStringList>

#include <algorithm>

QDateTime instant(const QJsonObject& activity, const char* key)
{
    QDateTime time =
        QDateTime::fromString(activity.value(QLatin1String(key)).toString(), QStringLiteral("yyyyMMddHHmmss"));
    time.setTimeSpec(Qt::UTC);
    return time;
}

qint64 uploadedSeconds(const QJsonArray& activities, const QString& app, const QString& title)
{
    qint64 total = 0;
    for (const QJsonValue& value : activities) {
        const QJsonObject activity = value.toObject();
        if (activity.value(QLatin1String("app_name")).toString() == app
            && activity.value(QLatin1String("activity_description")).toString() == title)
            total += instant(activity, "start_time").secsTo(instant(activity, "end_time"));
    }
    return total;
}

QString differencesFromDriven(const QJsonArray& activities, const QList<DrivenWindow>& windows)
{
    QStringList differences;
    for (const DrivenWindow& window : windows) {
        const qint64 uploaded = uploadedSeconds(activities, window.app, window.title);
        const QString row = QStringLiteral("%1|%2: driven %3 s, on the server %4 s")
                                .arg(window.app, window.title)
                                .arg(window.span.seconds())
                                .arg(uploaded);
        qInfo("%s", qPrintable(row));
        if (qAbs(uploaded - window.span.seconds()) > 5)
            differences << row;
    }
    if (differences.isEmpty())
        return QString();
    return differences.join(QLatin1Char('\n')) + QStringLiteral("\non the server:\n") + describe(activities);
}

bool withoutOverlap(const QJsonArray& activities)
{
    QList<Span> spans;
    for (const QJsonValue& value : activities)
        spans << Span {instant(value.toObject(), "start_time"), instant(value.toObject(), "end_time")};
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    for (int i = 1; i < spans.size(); ++i) {
        if (spans.at(i).start < spans.at(i - 1).end)
            return false;
    }
    return true;
}

QString describe(const QJsonArray& activities)
{
    QStringList rows;
    for (const QJsonValue& value : activities) {
        const QJsonObject activity = value.toObject();
        rows << QStringLiteral("%1 %2|%3|%4 s")
                    .arg(activity.value(QLatin1String("start_time")).toString(),
                         activity.value(QLatin1String("app_name")).toString(),
                         activity.value(QLatin1String("activity_description")).toString())
                    .arg(instant(activity, "start_time").secsTo(instant(activity, "end_time")));
    }
    return rows.join(QLatin1Char('\n'));
}

QString describe(const QList<StoredLog>& logs)
{
    QStringList rows;
    for (const StoredLog& log : logs)
        rows << QStringLiteral("%1|%2|%3 s").arg(log.appName, log.title).arg(log.seconds());
    return rows.join(QLatin1Char('\n'));
}
