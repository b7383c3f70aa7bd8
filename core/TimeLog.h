#pragma once

#include "LarkspanCoreExport.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// One signed span of time spent in one application and window; its JSON object is the
// unit of upload. Time zone and machine identifier are never stored: a log takes them from
// the machine whenever it is constructed.
class LARKSPAN_CORE_EXPORT TimeLog
{
public:
    const QString clientIdKey = QStringLiteral("client_id");
    const QString startTimeKey = QStringLiteral("start_time");
    const QString endTimeKey = QStringLiteral("end_time");
    const QString appNameKey = QStringLiteral("app_name");
    const QString activityDescriptionKey = QStringLiteral("activity_description");
    const QString platformKey = QStringLiteral("platform");
    const QString tzUtcOffsetKey = QStringLiteral("tz_utc_offset");
    const QString tzDatabaseValKey = QStringLiteral("tz_database_val");
    const QString machineAddressKey = QStringLiteral("machine_address");
    const QString activeCountKey = QStringLiteral("active_count");
    const QString metaDataKey = QStringLiteral("meta_data");

    TimeLog();
    TimeLog(const TimeLog& other);
    TimeLog& operator=(const TimeLog& other);
    ~TimeLog();

    qint64 id() const;
    void setId(const qint64& id);
    QDateTime startTime() const;
    void setStartTime(QDateTime startTime);
    QString startTimeStr() const;
    void setStartTimeStr(QString startTimeStr);
    QDateTime endTime() const;
    void setEndTime(QDateTime endTime);
    QString endTimeStr() const;
    void setEndTimeStr(QString endTimeStr);
    QString appName() const;
    void setAppName(const QString& appName);
    QString windowTitle() const;
    void setWindowTitle(const QString& windowTitle);
    QString platform() const;
    void setPlatform(const QString& platform);
    int tzUtcOffset() const;
    void setTzUtcOffset(const int& tzUtcOffset);
    QString tzDatabaseVal() const;
    void setTzDatabaseVal(const QString& tzDatabaseVal);
    QString macAddress() const;
    void setMacAddress(const QString& macAddress);
    int activeCount() const;
    void setActiveCount(int activeCount);
    QString metaData() const;
    void setMetaData(const QString& metaData);
    QString signature() const;
    void setSignature(const QString& signature);

    static QString buildSignature(const TimeLog& log);
    bool isVerified() const;
    bool isValid() const;

    void write(QJsonObject& json) const;
    void read(const QJsonObject& json);
    QString toString() const;

private:
    friend class TimeLogDao;
    struct NoInit {};
    // The store loads many rows at once: each takes the machine facts of one snapshot
    // instead of asking the machine again per row, which dominated loading time.
    TimeLog(const TimeLog& machine, NoInit);

    void init();

    qint64 _id = 0;
    // Set from text, the instants are parsed on first use: the uploader reads hundreds of
    // logs and only ever needs their text, and parsing costs more than the rest of a load.
    mutable QDateTime _startTime;
    QString _startTimeStr;
    mutable bool _startTimeParsed = true;
    mutable QDateTime _endTime;
    QString _endTimeStr;
    mutable bool _endTimeParsed = true;
    QString _appName;
    QString _windowTitle;
    QString _platform;
    int _tzUtcOffset = 0;
    QString _tzDatabaseVal;
    QString _macAddress;
    int _activeCount = 0;
    QString _metaData;
    QString _signature;
};
