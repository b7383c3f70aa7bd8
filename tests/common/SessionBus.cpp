#include "SessionBus.h"

#include <QDeadlineTimer>

namespace {

constexpr int startTimeoutMs = 10000;
const char* const addressVariable = "DBUS_SESSION_BUS_ADDRESS";

} // namespace

SessionBus::SessionBus()
{
    _hadAddress = qEnvironmentVariableIsSet(addressVariable);
    _previousAddress = qgetenv(addressVariable);
    if (!start())
        _address = noBusAddress();
    qputenv(addressVariable, _address.toUtf8());
}

SessionBus::~SessionBus()
{
    if (_daemon && _daemon->state() != QProcess::NotRunning) {
        _daemon->terminate();
        if (!_daemon->waitForFinished(3000)) {
            _daemon->kill();
            _daemon->waitForFinished(3000);
        }
    }
    if (_hadAddress)
        qputenv(addressVariable, _previousAddress);
    else
        qunsetenv(addressVariable);
}

QString SessionBus::noBusAddress()
{
    return QStringLiteral("unix:path=/nonexistent/larkspan-test-no-bus");
}

bool SessionBus::start()
{
    _daemon = std::make_unique<QProcess>();
    _daemon->setStandardErrorFile(QProcess::nullDevice());
    _daemon->start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                    QStringLiteral("--print-address")});
    if (!_daemon->waitForStarted(startTimeoutMs)) {
        _error = QStringLiteral("dbus-daemon did not start");
        _daemon.reset();
        return false;
    }
    // The daemon prints its address once it accepts connections.
    QByteArray line;
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!line.contains('\n') && _daemon->state() == QProcess::Running && !deadline.hasExpired()) {
        if (_daemon->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            line += _daemon->readAllStandardOutput();
    }
    _address = QString::fromUtf8(line).trimmed();
    if (_address.isEmpty()) {
        _error = QStringLiteral("dbus-daemon did not report an address");
        _daemon->kill();
        _daemon->waitForFinished(3000);
        _daemon.reset();
        return false;
    }
    return true;
}
