#include "TimeLog.h"

#include "Clock.h"
#include "DateTimeUtils.h"
#include "MachineIdentifier.h"
#include "RecordSignature.h"
#include "SettingsKeys.h"

#include <QSettings>
#include <QSysInfo>
#include <QTimeZone>

namespace {

bool hasText(const QString& text)
{
    return !text.isEmpty();
}

} // namespace

TimeLog::TimeLog() : _platform(QSysInfo::prettyProductName())
{
    init();
}

TimeLog::TimeLog(const TimeLog& other)
    : _id(other._id),
      _startTime(other._startTime),
      _startTimeStr(other._startTimeStr),
      _startTimeParsed(other._startTimeParsed),
      _endTime(other._endTime),
      _endTimeStr(other._endTimeStr),
      _endTimeParsed(other._endTimeParsed),
      _appName(other._appName),
      _windowTitle(other._windowTitle),
      _platform(other._platform),
      _tzUtcOffset(other._tzUtcOffset),
      _tzDatabaseVal(other._tzDatabaseVal),
      _macAddress(other._macAddress),
      _activeCount(other._activeCount),
      _metaData(other._metaData),
      _signature(other._signature)
{
    init();
}

TimeLog::TimeLog(const TimeLog& machine, NoInit)
    : _platform(machine._platform),
      _tzUtcOffset(machine._tzUtcOffset),
      _tzDatabaseVal(machine._tzDatabaseVal),
      _macAddress(machine._macAddress)
{}

TimeLog& TimeLog::operator=(const TimeLog& other)
{
    _id = other._id;
    setStartTimeStr(other._startTimeStr);
    setEndTimeStr(other._endTimeStr);
    _appName = other._appName;
    _windowTitle = other._windowTitle;
    _platform = other._platform;
    _tzUtcOffset = other._tzUtcOffset;
    _tzDatabaseVal = other._tzDatabaseVal;
    _macAddress = other._macAddress;
    _activeCount = other._activeCount;
    _metaData = other._metaData;
    _signature = other._signature;
    return *this;
}

TimeLog::~TimeLog() = default;

void TimeLog::init()
{
    // An empty identifier would make every log invalid, and the builder would drop all
    // tracking; a missing or empty key gets a generated identifier, kept from then on.
    if (_macAddress.isEmpty())
        _macAddress = MachineIdentifier::current();
    const QTimeZone zone = QTimeZone::systemTimeZone();
    // Integer division truncates toward zero: +05:30 gives 5 and -03:30 gives -3.
    _tzUtcOffset = zone.offsetFromUtc(Clock::nowLocal()) / 3600;
    _tzDatabaseVal = QString::fromUtf8(zone.id());
}

qint64 TimeLog::id() const
{
    return _id;
}
void TimeLog::setId(const qint64& id)
{
    _id = id;
}
QDateTime TimeLog::startTime() const
{
    if (!_startTimeParsed) {
        _startTime = DateTimeUtils::fromUTCString(_startTimeStr);
        _startTimeParsed = true;
    }
    return _startTime;
}

void TimeLog::setStartTime(QDateTime startTime)
{
    _startTimeStr = DateTimeUtils::toUTCString(startTime);
    _startTime = std::move(startTime);
    _startTimeParsed = true;
}

QString TimeLog::startTimeStr() const
{
    return _startTimeStr;
}

void TimeLog::setStartTimeStr(QString startTimeStr)
{
    _startTimeStr = std::move(startTimeStr);
    _startTime = QDateTime();
    _startTimeParsed = false;
}

QDateTime TimeLog::endTime() const
{
    if (!_endTimeParsed) {
        _endTime = DateTimeUtils::fromUTCString(_endTimeStr);
        _endTimeParsed = true;
    }
    return _endTime;
}

void TimeLog::setEndTime(QDateTime endTime)
{
    _endTimeStr = DateTimeUtils::toUTCString(endTime);
    _endTime = std::move(endTime);
    _endTimeParsed = true;
}

QString TimeLog::endTimeStr() const
{
    return _endTimeStr;
}

void TimeLog::setEndTimeStr(QString endTimeStr)
{
    // Read as UTC directly (on first use): parsing as local time first would lose end times
    // that fall into a daylight-saving gap of the machine's zone.
    _endTimeStr = std::move(endTimeStr);
    _endTime = QDateTime();
    _endTimeParsed = false;
}

QString TimeLog::appName() const
{
    return _appName;
}
void TimeLog::setAppName(const QString& appName)
{
    _appName = appName;
}
QString TimeLog::windowTitle() const
{
    return _windowTitle;
}
void TimeLog::setWindowTitle(const QString& windowTitle)
{
    _windowTitle = windowTitle;
}
QString TimeLog::platform() const
{
    return _platform;
}
void TimeLog::setPlatform(const QString& platform)
{
    _platform = platform;
}
int TimeLog::tzUtcOffset() const
{
    return _tzUtcOffset;
}
void TimeLog::setTzUtcOffset(const int& tzUtcOffset)
{
    _tzUtcOffset = tzUtcOffset;
}
QString TimeLog::tzDatabaseVal() const
{
    return _tzDatabaseVal;
}
void TimeLog::setTzDatabaseVal(const QString& tzDatabaseVal)
{
    _tzDatabaseVal = tzDatabaseVal;
}
QString TimeLog::macAddress() const
{
    return _macAddress;
}
void TimeLog::setMacAddress(const QString& macAddress)
{
    _macAddress = macAddress;
}
int TimeLog::activeCount() const
{
    return _activeCount;
}
void TimeLog::setActiveCount(int activeCount)
{
    _activeCount = activeCount;
}
QString TimeLog::metaData() const
{
    return _metaData;
}
void TimeLog::setMetaData(const QString& metaData)
{
    _metaData = metaData;
}
QString TimeLog::signature() const
{
    return _signature;
}
void TimeLog::setSignature(const QString& signature)
{
    _signature = signature;
}

QString TimeLog::buildSignature(const TimeLog& log)
{
    // The count goes in as plain decimal text rather than through arg(int): a "%L" marker
    // smuggled in by a title would otherwise make the signature depend on the locale.
    const QString text = QStringLiteral("%1+%2+%3+%4+%5+%6+%7+%8+%9")
                             .arg(log._startTimeStr)
                             .arg(log._endTimeStr)
                             .arg(log._appName)
                             .arg(log._windowTitle)
                             .arg(log._platform)
                             .arg(log._macAddress)
                             .arg(QString::number(log._activeCount))
                             .arg(log._metaData)
                             .arg(QString(AppConstants::signingSalt));
    return RecordSignature::md5Hex(text);
}

bool TimeLog::isVerified() const
{
    return buildSignature(*this) == _signature;
}

bool TimeLog::isValid() const
{
    return hasText(_startTimeStr) && hasText(_endTimeStr) && hasText(_appName) && hasText(_windowTitle)
        && hasText(_platform) && hasText(_macAddress);
}

void TimeLog::write(QJsonObject& json) const
{
    json[clientIdKey] = _id;
    json[startTimeKey] = _startTimeStr;
    json[endTimeKey] = _endTimeStr;
    json[appNameKey] = _appName;
    json[activityDescriptionKey] = _windowTitle;
    json[platformKey] = _platform;
    json[tzUtcOffsetKey] = _tzUtcOffset;
    json[tzDatabaseValKey] = _tzDatabaseVal;
    json[machineAddressKey] = _macAddress;
    json[activeCountKey] = _activeCount;
    json[metaDataKey] = _metaData;
}

void TimeLog::read(const QJsonObject& json)
{
    // "client_id" is read as text, so an object produced by write() reads back as id 0.
    bool ok = false;
    const qint64 id = json.value(clientIdKey).toString().toLongLong(&ok, 10);
    _id = ok ? id : 0;
    // Only the texts are read; the instants keep what they were, so pin them down first.
    startTime();
    endTime();
    _startTimeStr = json.value(startTimeKey).toString();
    _endTimeStr = json.value(endTimeKey).toString();
    _appName = json.value(appNameKey).toString();
    _windowTitle = json.value(activityDescriptionKey).toString();
    _platform = json.value(platformKey).toString();
    _tzUtcOffset = json.value(tzUtcOffsetKey).toInt(0);
    _tzDatabaseVal = json.value(tzDatabaseValKey).toString();
    _macAddress = json.value(machineAddressKey).toString();
    _activeCount = json.value(activeCountKey).toInt(0);
    _metaData = json.value(metaDataKey).toString();
}

QString TimeLog::toString() const
{
    QString text;
    text += QStringLiteral("\n  m_id: ") + QString::number(_id);
    text += QStringLiteral("\n  m_startTime: ") + startTime().toString(Qt::TextDate);
    text += QStringLiteral("\n  m_startTimeStr: ") + _startTimeStr;
    text += QStringLiteral("\n  m_endTime: ") + endTime().toString(Qt::TextDate);
    text += QStringLiteral("\n  m_endTimeStr: ") + _endTimeStr;
    text += QStringLiteral("\n  m_appName: ") + _appName;
    text += QStringLiteral("\n  m_windowTitle: ") + _windowTitle;
    text += QStringLiteral("\n  m_platform: ") + _platform;
    text += QStringLiteral("\n  m_tzUtcOffset: ") + QString::number(_tzUtcOffset);
    text += QStringLiteral("\n  m_tzDatabaseVal: ") + _tzDatabaseVal;
    text += QStringLiteral("\n  m_macAddress: ") + _macAddress;
    text += QStringLiteral("\n  m_activeCount: ") + QString::number(_activeCount);
    text += QStringLiteral("\n  m_metaData: ") + _metaData;
    text += QStringLiteral("\n  m_signature: ") + _signature;
    text += QStringLiteral("\n");
    return text;
}
