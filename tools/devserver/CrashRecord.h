#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// One crash report as the collector received it: the form fields and the report file.
struct CrashRecord {
    qint64 id = 0;
    qint64 receivedAtMs = 0;
    QMap<QString, QString> fields;
    QString fileName;
    QByteArray report;
};
