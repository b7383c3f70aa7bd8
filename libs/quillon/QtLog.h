#pragma once

#include "QtLogConf.h"

#include <QDebug>
#include <QString>

// Logging facade: each call returns a stream for one line, written when the stream is
// destroyed. Lines below the configured level are formatted into a scratch buffer and
// dropped, so a disabled debug line costs no file I/O.
class QtLog
{
public:
    // Installs the message handler; Qt's own qDebug()/qWarning() lines reach the log too.
    static void init();
    static QtLogConf& getConf();

    static QDebug debug();
    static QDebug info();
    static QDebug warning();
    static QDebug critical();
    static QDebug debug(const QString& message);
    static QDebug info(const QString& message);

private:
    QtLog() = delete;
    static QDebug stream(QtMsgType type);
};
