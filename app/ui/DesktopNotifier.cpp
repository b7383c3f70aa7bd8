#include "DesktopNotifier.h"

#include "QtLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

DesktopNotifier::DesktopNotifier(QSystemTrayIcon* trayIcon, QObject* parent)
    : QObject(parent), _trayIcon(trayIcon)
{
}

bool DesktopNotifier::isServiceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // Notification servers are usually started on demand by the bus.
    const QStringList activatable = bus.interface()->activatableServiceNames().value();
    return bus.interface()->isServiceRegistered(kService).value() || activatable.contains(kService);
}

void DesktopNotifier::show(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message,
                           int msecs)
{
    if (!isServiceAvailable()) {
        _trayIcon->showMessage(title, message, icon, msecs);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    // 2 is "critical": the server keeps an error in view; 1 is "normal".
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(icon == QSystemTrayIcon::Critical ? 2 : 1)));
    const QString iconName = icon == QSystemTrayIcon::Critical  ? QStringLiteral("dialog-error")
                             : icon == QSystemTrayIcon::Warning ? QStringLiteral("dialog-warning")
                                                                : QStringLiteral("dialog-information");
    // Servers may read the body as markup; our texts are plain.
    call << QStringLiteral("Larkspan") << uint(0) << iconName << title << message.toHtmlEscaped()
         << QStringList() << hints << int(msecs);
    // Never wait for the desktop on the GUI thread.
    QDBusConnection::sessionBus().asyncCall(call);
    LK_DEBUG() << "Notification sent to the desktop: " << title;
}
