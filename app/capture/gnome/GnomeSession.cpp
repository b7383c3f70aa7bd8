#include "GnomeSession.h"

#include "MutterIdleMonitor.h"
#include "QtLog.h"

#include <QDBusConnectionInterface>
#include <QThread>

namespace {

const QString kConnectionName = QStringLiteral("larkspan-gnome-capture");

} // namespace

GnomeSession::GnomeSession(const QDBusConnection& bus) : _bus(bus) {}

std::unique_ptr<GnomeSession> GnomeSession::connect()
{
    // A connection of its own: its messages are read apart from the tray's and the GUI's.
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnectionName);
    if (!bus.isConnected()) {
        LK_INFO().noquote() << "GnomeSession - no session bus:" << bus.lastError().message();
        QDBusConnection::disconnectFromBus(kConnectionName);
        return nullptr;
    }
    const QDBusReply<bool> registered =
        bus.interface()->isServiceRegistered(QStringLiteral("org.gnome.Mutter.IdleMonitor"));
    if (!registered.isValid() || !registered.value()) {
        QDBusConnection::disconnectFromBus(kConnectionName);
        return nullptr;
    }
    return std::unique_ptr<GnomeSession>(new GnomeSession(bus));
}

GnomeSession::~GnomeSession()
{
    stop();
    _focus.reset();
    _idle.reset();
    _bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(kConnectionName);
}

void GnomeSession::start(Activity activity, ExtensionMissing extensionMissing)
{
    if (_thread)
        return;
    _thread = std::make_unique<QThread>();
    _thread->setObjectName(QStringLiteral("GnomeSession"));
    _focus = std::make_unique<GnomeShellFocus>(_bus, std::move(extensionMissing));
    _idle = std::make_unique<MutterIdleMonitor>(_bus, std::move(activity));
    _focus->moveToThread(_thread.get());
    _idle->moveToThread(_thread.get());
    _thread->start();
    GnomeShellFocus* focus = _focus.get();
    MutterIdleMonitor* idle = _idle.get();
    QMetaObject::invokeMethod(
        idle,
        [idle] {
            if (!idle->start())
                LK_WARNING() << "GnomeSession - Mutter's idle monitor does not answer: no input activity is seen";
        },
        Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        focus, [focus] { focus->start(); }, Qt::QueuedConnection);
}

void GnomeSession::stop()
{
    if (!_thread || !_thread->isRunning())
        return;
    MutterIdleMonitor* idle = _idle.get();
    GnomeShellFocus* focus = _focus.get();
    // On their own thread, where their timer and subscriptions live.
    QMetaObject::invokeMethod(
        idle,
        [idle, focus] {
            idle->stop();
            focus->stop();
        },
        Qt::BlockingQueuedConnection);
    _thread->quit();
    _thread->wait();
}

ReportedWindow GnomeSession::focusedWindow() const
{
    return _focus ? _focus->focusedWindow() : ReportedWindow();
}
