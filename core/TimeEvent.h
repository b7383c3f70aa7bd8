#pragma once

#include "LarkspanCoreExport.h"

#include <QDateTime>
#include <QString>

// One signed observation of the foreground application and window at one instant, or a
// marker event (idle, paused). The UTC text of the instant, not the QDateTime, is what is
// stored, sorted on and signed.
class LARKSPAN_CORE_EXPORT TimeEvent
{
public:
    TimeEvent();
    TimeEvent(const QDateTime& eventTime, const QString& appName, const QString& windowTitle, const QString& metaData);
    // A copy is a new, unsigned observation: it gets neither the id nor the signature.
    TimeEvent(const TimeEvent& other);
    // The target keeps its own id and signature.
    TimeEvent& operator=(const TimeEvent& other);
    ~TimeEvent();

    qint64 id() const;
    void setId(const qint64& id);

    QDateTime eventTime() const;
    void setEventTime(const QDateTime& eventTime);
    QString eventTimeStr() const;
    void setEventTimeStr(QString eventTimeStr);

    QString appName() const;
    void setAppName(const QString& appName);
    QString windowTitle() const;
    void setWindowTitle(const QString& windowTitle);
    QString metaData() const;
    void setMetaData(const QString& metaData);

    QString signature() const;
    void setSignature(const QString& signature);

    static QString buildSignature(const TimeEvent& event);
    bool isValid() const;

    static QString strEmpty();
    static QString strIdle();
    static QString strOffline();
    static QString strPaused();
    static QString strUnknown();

private:
    qint64 _id = 0;
    QDateTime _eventTime;
    QString _eventTimeStr;
    QString _appName;
    QString _windowTitle;
    QString _metaData;
    QString _signature;
};
