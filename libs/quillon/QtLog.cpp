#include "QtLog.h"

#include <QMutex>

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

} // namespace

void QtLog::init()
{
    qInstallMessageHandler(messageHandler);
}

QtLogConf& QtLog::getConf()
{
    return conf();
}

QDebug QtLog::stream(QtMsgType type)
{
    if (!conf().accepts(type)) {
        // A per-thread scratch string swallows the line without touching the sink.
        thread_local QString scratch;
        scratch.clear();
        return QDebug(&scratch);
    }
    QDebug stream(type);
    stream.noquote();
    return stream;
}

QDebug QtLog::debug() { return stream(QtDebugMsg); }
QDebug QtLog::info() { return stream(QtInfoMsg); }
QDebug QtLog::warning() { return stream(QtWarningMsg); }
QDebug QtLog::critical() { return stream(QtCriticalMsg); }

QDebug QtLog::debug(const QString& message)
{
    return debug() << message;
}

QDebug QtLog::info(const QString& message)
{
    return info() << message;
}
