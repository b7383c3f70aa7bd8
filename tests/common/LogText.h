#pragma once

#include <QtLog.h>

#include <QByteArray>
#include <QFile>

// Everything the process has logged so far: tests read it to check what a user's log file
// would show (and that secrets never reach it).
inline QByteArray logText()
{
    QtLog::getConf().flush();
    QFile file(QtLog::getConf().getLogFilePath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}
