#include "QtLog.h"

namespace {

QtLogConf& conf()
{
    static QtLogConf instance;
    return instance;
}

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
    case QtDebugMsg: return logger.debug();
    case QtInfoMsg: return logger.info();
    case QtWarningMsg: return logger.warning();
    case QtCriticalMsg:
    case QtFatalMsg: return logger.critical();
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

QtLogLine::QtLogLine(QtMsgType type, const char* file, int line) : _stream(lineStream(type, file, line))
{
    _stream.noquote();
}

// The stream hands the line to Qt's message output when it goes.
QtLogLine::~QtLogLine() = default;
