#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

struct StoredLog;

// The time the reference server holds for a user, as the end-to-end tests of Wayland sessions
// weigh it against the time they drove.

// From when to when the test worked in one window.
struct Span {
    QDateTime start;
    QDateTime end;
    bool isValid() const { return start.isValid() && end.isValid(); }
    qint64 seconds() const { return start.secsTo(end); }
};

// A window the test worked in: the program's name and the title the server should hold it
// under, and from when to when.
struct DrivenWindow {
    QString app;
    QString title;
    Span span;
};

// Empty when the server holds the time driven in every window to within 5 s; else which
// windows differ, with the activities. Logs driven and uploaded seconds either way.
QString differencesFromDriven(const QJsonArray& activities, const QList<DrivenWindow>& windows);

// One of an activity's instants ("start_time", "end_time"), which the server writes in UTC.
QDateTime instant(const QJsonObject& activity, const char* key);

// The seconds the server holds for this program's window of this title.
qint64 uploadedSeconds(const QJsonArray& activities, const QString& app, const QString& title);

// True when the activities follow each other: no moment is counted twice.
bool withoutOverlap(const QJsonArray& activities);

// One row an activity or stored log, for the message of a failed check.
QString describe(const QJsonArray& activities);
QString describe(const QList<StoredLog>& logs);
