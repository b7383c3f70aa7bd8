#pragma once

#include "QtLogConf.h"

#include <QDebug>
#include <QString>

// Logging facade: each call returns a stream for one line, written when the stream is
// destroyed. Lines below the configured level are formatted into a scratch buffer and
// dropped, so a disabled debug line costs no file I/O -- but its arguments are still
// evaluated. Write lines through the LK_* macros below instead: they skip the whole line,
// arguments included, when its level is off.
class QtLog
{
public:
    // Installs the message handler; Qt's own qDebug()/qWarning() lines reach the log too.
    static void init();
    static QtLogConf& getConf();
    // Whether a line of this type would be written; lock-free, safe from any thread.
    static bool enabled(QtMsgType type) noexcept { return QtLogConf::accepts(type); }

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

// LK_DEBUG() << "x=" << expensive(); evaluates nothing after the level check when debug
// lines are off. The optional argument is the message the facade's overloads take:
// LK_INFO(text). Each macro is a single statement, so it is safe as the body of an unbraced
// if that has an else of its own. It is a one-pass for rather than `if (off) {} else`:
// both shapes are safe, but GCC's -Wdangling-else flags the if/else one under every
// unbraced if.
#define LK_GUARDED_LINE(type, call) \
    for (bool lkLineOn = QtLog::enabled(type); lkLineOn; lkLineOn = false) call
#define LK_DEBUG(...) LK_GUARDED_LINE(QtDebugMsg, QtLog::debug(__VA_ARGS__))
#define LK_INFO(...) LK_GUARDED_LINE(QtInfoMsg, QtLog::info(__VA_ARGS__))
#define LK_WARNING(...) LK_GUARDED_LINE(QtWarningMsg, QtLog::warning(__VA_ARGS__))
#define LK_CRITICAL(...) LK_GUARDED_LINE(QtCriticalMsg, QtLog::critical(__VA_ARGS__))
