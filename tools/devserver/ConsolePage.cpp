#include "ConsolePage.h"

#include "Html.h"

#include <QDateTime>
#include <QLocale>
#include <QMap>
#include <QTimeZone>

#include <algorithm>

namespace {
struct Row {
    QDateTime start;
    QDateTime end;
    const ActivityRecord* rec;
};

QDateTime utcInstant(const QString& text)
{
    return QDateTime(QDate::fromString(text.left(8), QStringLiteral("yyyyMMdd")),
                     QTime::fromString(text.mid(8), QStringLiteral("HHmmss")), Qt::UTC);
}

// The zone the log was recorded in: its identifier when this machine knows it, else its
// whole-hour offset.
QDateTime recordedLocal(const QDateTime& utc, const ActivityRecord& r)
{
    const QTimeZone zone(r.tzDatabaseVal.toUtf8());
    if (zone.isValid())
        return utc.toTimeZone(zone);
    return utc.toOffsetFromUtc(r.tzUtcOffset * 3600);
}

bool isMarker(const QString& name)
{
    return name.startsWith(QLatin1String("@_")) && name.endsWith(QLatin1String("_@"));
}

QString timelineBar(const QDateTime& start, qint64 secs)
{
    const double left = start.time().msecsSinceStartOfDay() / 864000.0;
    const double width = std::min(100.0 - left, secs / 864.0);
    return QStringLiteral("<div class=\"bar\"><span style=\"left:%1%;width:%2%\"></span></div>")
        .arg(left, 0, 'f', 3)
        .arg(width, 0, 'f', 3);
}

QString dayTable(const QDate& day, const std::vector<Row>& rows)
{
    qint64 total = 0;
    QString body;
    for (const Row& row : rows) {
        const ActivityRecord& r = *row.rec;
        const qint64 secs = row.start.secsTo(row.end);
        total += secs;
        const QString appClass = isMarker(r.appName) ? QStringLiteral(" class=\"marker\"") : QString();
        body += QStringLiteral("<tr><td%1>%2</td><td>%3%4</td><td class=\"num\">%5</td>"
                               "<td class=\"num\">%6</td><td class=\"num\">%7</td></tr>\n")
                    .arg(appClass, Html::escape(r.appName), Html::escape(r.activityDescription),
                         timelineBar(row.start, secs), row.start.toString(QStringLiteral("HH:mm:ss")),
                         row.end.toString(QStringLiteral("HH:mm:ss")), ConsolePage::duration(secs));
    }
    return QStringLiteral("<h2>%1 <small>(%2)</small></h2>\n<table><thead><tr><th>Application</th>"
                          "<th>Title</th><th>Start</th><th>End</th><th>Duration</th></tr></thead>"
                          "<tbody>\n%3</tbody></table>\n")
        .arg(QLocale::c().toString(day, QStringLiteral("dddd, yyyy-MM-dd")), ConsolePage::duration(total), body);
}
} // namespace

QString ConsolePage::duration(qint64 secs)
{
    return QStringLiteral("%1:%2:%3")
        .arg(secs / 3600)
        .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(secs % 60, 2, 10, QLatin1Char('0'));
}

QString ConsolePage::render(const QString& userId, const std::vector<ActivityRecord>& records)
{
    QMap<QDate, std::vector<Row>> days;
    for (const ActivityRecord& r : records) {
        const QDateTime start = recordedLocal(utcInstant(r.startTime), r);
        const QDateTime end = recordedLocal(utcInstant(r.endTime), r);
        days[start.date()].push_back(Row {start, end, &r});
    }
    QString body = QStringLiteral("<h1>Activity of %1</h1>\n").arg(Html::escape(userId));
    if (days.isEmpty())
        body += QStringLiteral("<p id=\"empty\">Nothing uploaded yet.</p>\n");
    // Newest day first; within a day in the order things happened.
    for (auto it = days.end(); it != days.begin();) {
        --it;
        std::stable_sort(it->begin(), it->end(), [](const Row& a, const Row& b) { return a.start < b.start; });
        body += dayTable(it.key(), it.value());
    }
    return Html::page(QStringLiteral("Larkspan console"), body);
}

QString ConsolePage::unknownLink()
{
    return Html::page(QStringLiteral("Larkspan console"),
                      QStringLiteral("<h1>Larkspan console</h1><p>This console link is not "
                                     "valid. Open the console from Larkspan again.</p>"));
}
