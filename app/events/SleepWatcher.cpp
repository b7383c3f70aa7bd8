#include "SleepWatcher.h"

#include "QtLog.h"

#include <QDBusConnection>
#include <QFileInfo>

namespace {

// Asking Qt for a bus that is not there still starts its D-Bus thread and libdbus's error
// paths; a machine without a system bus (containers, test runs) is told apart beforehand.
bool systemBusMayRun()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SYSTEM_BUS_ADDRESS"))
        return true;
    return QFileInfo::exists(QStringLiteral("/run/dbus/system_bus_socket"))
        || QFileInfo::exists(QStringLiteral("/var/run/dbus/system_bus_socket"));
}

} // namespace

SleepWatcher::SleepWatcher(std::function<void(bool)> onPrepareForSleep, QObject* parent)
    : QObject(parent), _onPrepareForSleep(std::move(onPrepareForSleep))
{
    if (!systemBusMayRun()) {
        LK_DEBUG() << "SleepWatcher - no system bus, sleep is found only after waking...";
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        LK_DEBUG() << "SleepWatcher - no system bus, sleep is found only after waking...";
        return;
    }
    _listening = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                             SLOT(onPrepareForSleep(bool)));
    LK_DEBUG() << "SleepWatcher - listening for sleep announcements:" << _listening;
}

void SleepWatcher::onPrepareForSleep(bool sleeping)
{
    if (_onPrepareForSleep)
        _onPrepareForSleep(sleeping);
}
