#include "TimeEvent.h"

#include "Clock.h"
#include "DateTimeUtils.h"
#include "RecordSignature.h"
#include "SettingsKeys.h"

TimeEvent::TimeEvent()
    : _eventTime(Clock::nowUtc()),
      _eventTimeStr(DateTimeUtils::toUTCString(_eventTime)),
      _appName(strEmpty()),
      _windowTitle(strEmpty()),
      _metaData(strEmpty())
{}

TimeEvent::TimeEvent(const QDateTime& eventTime, const QString& appName, const QString& windowTitle,
                     const QString& metaData)
    : _eventTime(eventTime),
      _eventTimeStr(DateTimeUtils::toUTCString(eventTime)),
      _appName(appName),
      _windowTitle(windowTitle),
      _metaData(metaData)
{}

TimeEvent::TimeEvent(const TimeEvent& other)
    : _eventTime(other._eventTime),
      _eventTimeStr(DateTimeUtils::toUTCString(other._eventTime)),
      _appName(other._appName),
      _windowTitle(other._windowTitle),
      _metaData(other._metaData)
{}

TimeEvent& TimeEvent::operator=(const TimeEvent& other)
{
    _eventTime = other._eventTime;
    _eventTimeStr = other._eventTimeStr;
    _appName = other._appName;
    _windowTitle = other._windowTitle;
    _metaData = other._metaData;
    return *this;
}

TimeEvent::~TimeEvent() = default;

qint64 TimeEvent::id() const
{
    return _id;
}
void TimeEvent::setId(const qint64& id)
{
    _id = id;
}

QDateTime TimeEvent::eventTime() const
{
    return _eventTime;
}

void TimeEvent::setEventTime(const QDateTime& eventTime)
{
    _eventTime = eventTime;
    _eventTimeStr = DateTimeUtils::toUTCString(eventTime);
}

QString TimeEvent::eventTimeStr() const
{
    return _eventTimeStr;
}

void TimeEvent::setEventTimeStr(QString eventTimeStr)
{
    _eventTime = DateTimeUtils::fromUTCString(eventTimeStr);
    _eventTimeStr = std::move(eventTimeStr);
}

QString TimeEvent::appName() const
{
    return _appName;
}
void TimeEvent::setAppName(const QString& appName)
{
    _appName = appName;
}
QString TimeEvent::windowTitle() const
{
    return _windowTitle;
}
void TimeEvent::setWindowTitle(const QString& windowTitle)
{
    _windowTitle = windowTitle;
}
QString TimeEvent::metaData() const
{
    return _metaData;
}
void TimeEvent::setMetaData(const QString& metaData)
{
    _metaData = metaData;
}
QString TimeEvent::signature() const
{
    return _signature;
}
void TimeEvent::setSignature(const QString& signature)
{
    _signature = signature;
}

QString TimeEvent::buildSignature(const TimeEvent& event)
{
    // One arg() per value on purpose: a value that itself holds "%3" is rewritten by a later
    // step, and signatures stored by earlier versions depend on exactly that.
    const QString text = QStringLiteral("%1+%2+%3+%4+%5")
                             .arg(event._eventTimeStr)
                             .arg(event._appName)
                             .arg(event._windowTitle)
                             .arg(event._metaData)
                             .arg(QString(AppConstants::signingSalt));
    return RecordSignature::md5Hex(text);
}

bool TimeEvent::isValid() const
{
    return buildSignature(*this) == _signature;
}

QString TimeEvent::strEmpty()
{
    return QStringLiteral("@_empty_@");
}
QString TimeEvent::strIdle()
{
    return QStringLiteral("@_idle_@");
}
QString TimeEvent::strOffline()
{
    return QStringLiteral("@_offline_@");
}
QString TimeEvent::strPaused()
{
    return QStringLiteral("@_paused_@");
}
QString TimeEvent::strUnknown()
{
    return QStringLiteral("@_blank_@");
}
