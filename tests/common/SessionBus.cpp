#include "SessionBus.h"

#include <QDeadlineTimer>
#include <QTemporaryFile>

namespace {

constexpr int startTimeoutMs = 10000;
const char* const addressVariable = "DBUS_SESSION_BUS_ADDRESS";

// The session configuration without the machine's service folders: a bus that started any
// service installed for activation (a notification daemon, say) would answer calls the
// test expects to fail, or hand them to the next owner of the name, which may be a later
// test's stand-in. What a test needs on the bus, it starts itself.
const char* const config = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

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
    _configFile = std::make_unique<QTemporaryFile>();
    if (!_configFile->open() || _configFile->write(config) < 0 || !_configFile->flush()) {
        _error = QStringLiteral("cannot write the bus configuration");
        return false;
    }
    _daemon = std::make_unique<QProcess>();
    _daemon->setStandardErrorFile(QProcess::nullDevice());
    _daemon->start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + _configFile->fileName(), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
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
