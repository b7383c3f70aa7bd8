#include "MutterIdleMonitor.h"

#include "QtLog.h"

#include <QDBusMessage>
#include <QDBusReply>

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");

} // namespace

MutterIdleMonitor::MutterIdleMonitor(const QDBusConnection& bus, Activity activity, QObject* parent)
    : QObject(parent), _bus(bus), _activity(std::move(activity)), _tick(this)
{
    _tick.setInterval(tickMs);
    connect(&_tick, &QTimer::timeout, this, &MutterIdleMonitor::onTick);
}

MutterIdleMonitor::~MutterIdleMonitor()
{
    stop();
}

bool MutterIdleMonitor::start()
{
    // Qt D-Bus names the slot by its signature; there is no pointer-to-member form here.
    if (!_bus.connect(kService, kPath, kInterface, QStringLiteral("WatchFired"), this, SLOT(onWatchFired(uint)))) {
        LK_WARNING().noquote() << "MutterIdleMonitor - cannot subscribe to WatchFired:" << _bus.lastError().message();
        return false;
    }
    _idleWatch = addWatch(QStringLiteral("AddIdleWatch"), {QVariant::fromValue<quint64>(idleAfterMs)});
    if (_idleWatch == 0)
        return false;
    armUserActiveWatch();
    // The user may be at work already: the first fire would only come with the next input.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetIdletime"));
    const QDBusReply<quint64> idleTime = _bus.call(call, QDBus::Block, callTimeoutMs);
    if (idleTime.isValid() && idleTime.value() < static_cast<quint64>(idleAfterMs)) {
        _userActive = true;
        _lastNews.start();
        _tick.start();
    }
    return _userActiveWatch != 0;
}

void MutterIdleMonitor::stop()
{
    if (_stopped)
        return;
    _stopped = true;
    _tick.stop();
    _bus.disconnect(kService, kPath, kInterface, QStringLiteral("WatchFired"), this, SLOT(onWatchFired(uint)));
    for (uint id : {_idleWatch, _userActiveWatch}) {
        if (id == 0)
            continue;
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("RemoveWatch"));
        call << id;
        // Nothing to wait for: Mutter drops a gone client's watches anyway.
        _bus.send(call);
    }
    _idleWatch = _userActiveWatch = 0;
}

uint MutterIdleMonitor::addWatch(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    const QDBusReply<uint> reply = _bus.call(call, QDBus::Block, callTimeoutMs);
    if (!reply.isValid()) {
        LK_WARNING().noquote() << "MutterIdleMonitor -" << method << "failed:" << reply.error().message();
        return 0;
    }
    return reply.value();
}

void MutterIdleMonitor::armUserActiveWatch()
{
    if (_userActiveWatch == 0 && !_stopped)
        _userActiveWatch = addWatch(QStringLiteral("AddUserActiveWatch"), {});
}

void MutterIdleMonitor::onWatchFired(uint id)
{
    if (_stopped || id == 0)
        return;
    if (id == _idleWatch) {
        _userActive = false;
        _tick.stop();
        // Its return must be heard now, not at the next tick.
        armUserActiveWatch();
        return;
    }
    if (id != _userActiveWatch)
        return;
    // Mutter has dropped the watch with this fire.
    _userActiveWatch = 0;
    _lastNews.start();
    if (!_userActive) {
        _userActive = true;
        _tick.start();
        report();
    }
}

void MutterIdleMonitor::onTick()
{
    if (!_userActive)
        return;
    if (_lastNews.elapsed() >= activeWithoutNewsMs) {
        // A held idle timer (a video playing) and steady work look alike: silence this long is
        // no longer taken for work, until the next input says otherwise.
        _userActive = false;
        _tick.stop();
        armUserActiveWatch();
        return;
    }
    armUserActiveWatch();
    report();
}

void MutterIdleMonitor::report()
{
    if (_activity)
        _activity();
}
