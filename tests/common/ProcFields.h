#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// A "Field:  123 kB" line of /proc/<pid>/status or smaps_rollup, in KiB; 0 when the process
// or the field is gone.
inline qint64 procKiB(qint64 pid, const char* file, const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
