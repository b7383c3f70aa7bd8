#include "DateTimeUtils.h"

#include <QLocale>

#include <cstdlib>

namespace {

qint64 absSecsBetween(const QDateTime& from, const QDateTime& to)
{
    return std::llabs(from.secsTo(to));
}

} // namespace

QString DateTimeUtils::toUTCString(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return QString();
    // Written digit by digit: Qt 5 formats through the system locale, whose shared data is
    // set up without a lock, and every capture and store thread stamps records here.
    const QDateTime utc = dateTime.toUTC();
    const QDate date = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%04d%02d%02d%02d%02d%02d", date.year(), date.month(), date.day(), time.hour(),
                             time.minute(), time.second());
}

QDateTime DateTimeUtils::fromUTCString(const QString& text)
{
    if (text.length() != 14)
        return QDateTime();
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QDateTime();
    }
    // The digits are read directly and joined as UTC: Qt's format parser consults the local
    // time zone on every call (slow when the builder reads a day of events), and reading the
    // text as local time first would lose wall-clock times in a daylight-saving gap here.
    const auto number = [&text](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i)
            value = value * 10 + (text.at(i).unicode() - '0');
        return value;
    };
    const QDate date(number(0, 4), number(4, 2), number(6, 2));
    const int hour = number(8, 2), minute = number(10, 2), second = number(12, 2);
    if (!date.isValid() || !QTime::isValid(hour, minute, second))
        return QDateTime();
    return QDateTime(date, QTime(hour, minute, second), Qt::UTC);
}

QString DateTimeUtils::toLocalDateString(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return QString();
    // A stored key, compared as text: C-locale digits, and no use of the system locale's
    // unguarded shared data from the event manager's thread.
    return QLocale::c().toString(dateTime.toLocalTime(), QStringLiteral("yyyyMMdd"));
}

QString DateTimeUtils::toLocalTimeString(const QDateTime& dateTime, bool withSeconds)
{
    if (!dateTime.isValid())
        return QString();
    return dateTime.toLocalTime().toString(withSeconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

QVector<int> DateTimeUtils::durationHoursAndMinutesBetween(const QDateTime& from, const QDateTime& to)
{
    const qint64 secs = absSecsBetween(from, to);
    const qint64 hours = secs / 3600;
    const qint64 rest = secs - hours * 3600;
    return {static_cast<int>(hours), qRound(rest / 60.0)};
}

QString DateTimeUtils::formatDurationBetween(const QDateTime& from, const QDateTime& to, bool clockStyle)
{
    const qint64 secs = absSecsBetween(from, to);
    const qint64 hours = secs / 3600;
    const qint64 rest = secs - hours * 3600;
    const qint64 minutes = rest / 60;
    const qint64 seconds = rest % 60;
    if (clockStyle) {
        const QChar zero(QLatin1Char('0'));
        return QStringLiteral("%1:%2:%3").arg(hours, 2, 10, zero).arg(minutes, 2, 10, zero).arg(seconds, 2, 10, zero);
    }
    if (hours > 0)
        return QStringLiteral("%1h%2m%3s").arg(hours).arg(minutes).arg(seconds);
    if (minutes > 0)
        return QStringLiteral("%1m%2s").arg(minutes).arg(seconds);
    return QStringLiteral("%1s").arg(seconds);
}
