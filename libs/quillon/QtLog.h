#pragma once

#include "QtLogConf.h"

#include <QDebug>
#include <QString>

// Logging facade. Lines are written only through the LK_* macros below: they skip the whole
// line, arguments included, when its level is off, and hand Qt's message output the file
// and line they were written at, as Qt's own category macros do.
class Q_DECL_EXPORT QtLog
{
public:
    // Installs the message handler; Qt's own qDebug()/qWarning() lines reach the log too.
    static void init();
    static QtLogConf& getConf();
    // Whether a line of this type would be written; lock-free, safe from any thread.
    static bool enabled(QtMsgType type) noexcept { return QtLogConf::accepts(type); }

    // Qt hands a message written on a thread that is already inside a message handler to
    // stderr, not to the handler. Code that must log from inside a handler holds one of
    // these meanwhile: the LK_* lines of its thread then go to the log file directly.
    class InsideMessageHandler
    {
    public:
        InsideMessageHandler();
        ~InsideMessageHandler();
        InsideMessageHandler(const InsideMessageHandler&) = delete;
        InsideMessageHandler& operator=(const InsideMessageHandler&) = delete;
    };

private:
    QtLog() = delete;
};

// One line of an LK_* macro: collects what is streamed into it, and when the statement
// ends hands it to Qt's message output (so message handlers see it) or, inside a message
// handler, to the log file. Written by the macros, not by hand.
class Q_DECL_EXPORT QtLogLine
{
public:
    QtLogLine(QtMsgType type, const char* file, int line);
    ~QtLogLine();
    QtLogLine(const QtLogLine&) = delete;
    QtLogLine& operator=(const QtLogLine&) = delete;

    QDebug& stream() { return _stream; }
    QDebug& stream(const QString& message) { return _stream << message; }

private:
    QtMsgType _type;
    bool _direct;
    QString _text;
    QDebug _stream;
};

// LK_DEBUG() << "x=" << expensive(); evaluates nothing after the level check when debug
// lines are off. The optional argument is written as the line's first item: LK_INFO(text).
// Each macro is a single statement, so it is safe as the body of an unbraced if that has an
// else of its own. It is a one-pass for rather than `if (off) {} else`: both shapes are
// safe, but GCC's -Wdangling-else flags the if/else one under every unbraced if.
#define LK_GUARDED_LINE(type, ...)                                         \
    for (bool lkLineOn = QtLog::enabled(type); lkLineOn; lkLineOn = false) \
    QtLogLine(type, __FILE__, __LINE__).stream(__VA_ARGS__)
#define LK_DEBUG(...) LK_GUARDED_LINE(QtDebugMsg, __VA_ARGS__)
#define LK_INFO(...) LK_GUARDED_LINE(QtInfoMsg, __VA_ARGS__)
#define LK_WARNING(...) LK_GUARDED_LINE(QtWarningMsg, __VA_ARGS__)
#define LK_CRITICAL(...) LK_GUARDED_LINE(QtCriticalMsg, __VA_ARGS__)
