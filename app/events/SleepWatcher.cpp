#include "SleepWatcher.h"

#include "QtLog.h"

#include <QDBusConnection>

SleepWatcher::SleepWatcher(std::function<void(bool)> onPrepareForSleep, QObject* parent)
    : QObject(parent), _onPrepareForSleep(std::move(onPrepareForSleep))
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        LK_DEBUG() << "SleepWatcher - no system bus, sleep is found only after waking...";
        return;
    }
    _listening = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                             this, SLOT(onPrepareForSleep(bool)));
    LK_DEBUG() << "SleepWatcher - listening for sleep announcements:" << _listening;
}

void SleepWatcher::onPrepareForSleep(bool sleeping)
{
    if (_onPrepareForSleep)
        _onPrepareForSleep(sleeping);
}
