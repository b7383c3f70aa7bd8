#pragma once

#include "LarkspanCoreExport.h"

#include <QDateTime>
#include <QString>
#include <QVector>

// Conversions between instants and the text forms the system stores and shows.
// Instants are stored as fixed-width UTC text "yyyyMMddHHmmss", so text order is time order.
class LARKSPAN_CORE_EXPORT DateTimeUtils
{
public:
    static QString toUTCString(const QDateTime& dateTime);
    static QDateTime fromUTCString(const QString& text);
    static QString toLocalDateString(const QDateTime& dateTime);
    static QString toLocalTimeString(const QDateTime& dateTime, bool withSeconds);
    static QVector<int> durationHoursAndMinutesBetween(const QDateTime& from, const QDateTime& to);
    static QString formatDurationBetween(const QDateTime& from, const QDateTime& to, bool clockStyle);

    DateTimeUtils& operator=(const DateTimeUtils&) = default;
    DateTimeUtils& operator=(DateTimeUtils&&) = default;

private:
    DateTimeUtils() = default;
};
