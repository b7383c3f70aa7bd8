#include "QtLog.h"

namespace {

QtLogConf& conf()
{
    static QtLogConf instance;
    return instance;
}

// How many InsideMessageHandler scopes the calling thread holds.
thread_local int tInsideHandler = 0;

void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (!conf().accepts(type))
        return;
    conf().write(type, message);
    if (type == QtFatalMsg) {
        conf().flush();
        abort();
    }
}

QDebug lineStream(QtMsgType type, const char* file, int line)
{
    // The category names our lines for handlers that print it; the level check is ours.
    const QMessageLogger logger(file, line, nullptr, "larkspan");
    switch (type) {
    case QtDebugMsg:
        return logger.debug();
    case QtInfoMsg:
        return logger.info();
    case QtWarningMsg:
        return logger.warning();
    case QtCriticalMsg:
    case QtFatalMsg:
        return logger.critical();
    }
    return logger.warning();
}

} // namespace

void QtLog::init()
{
    qInstallMessageHandler(messageHandler);
}

QtLogConf& QtLog::getConf()
{
    return conf();
}

QtLog::InsideMessageHandler::InsideMessageHandler()
{
    ++tInsideHandler;
}

QtLog::InsideMessageHandler::~InsideMessageHandler()
{
    --tInsideHandler;
}

QtLogLine::QtLogLine(QtMsgType type, const char* file, int line)
    : _type(type), _direct(tInsideHandler > 0), _stream(_direct ? QDebug(&_text) : lineStream(type, file, line))
{
    _stream.noquote();
}

QtLogLine::~QtLogLine()
{
    if (!_direct)
        return; // the stream hands the line to Qt's message output as it goes
    // Qt's own stream drops the space it puts after the last item; do as it does.
    if (_stream.autoInsertSpaces() && _text.endsWith(QLatin1Char(' ')))
        _text.chop(1);
    conf().write(_type, _text);
}
