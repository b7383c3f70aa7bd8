#include "DesktopNotifier.h"

#include "BalloonProcess.h"
#include "QtLog.h"
#include "TrayMenu.h"
#include "WindowPlacement.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kIconPollMsecs = 100;

// "normal": a critical notice stays on screen until it is dismissed.
constexpr uchar kNormalUrgency = 1;

QString iconName(QSystemTrayIcon::MessageIcon icon)
{
    switch (icon) {
    case QSystemTrayIcon::Critical:
        return QStringLiteral("dialog-error");
    case QSystemTrayIcon::Warning:
        return QStringLiteral("dialog-warning");
    default:
        return QStringLiteral("dialog-information");
    }
}

} // namespace

DesktopNotifier::DesktopNotifier(TrayMenu* tray, QObject* parent)
    : QObject(parent), _tray(tray), _balloons(new BalloonProcess(this))
{}

void DesktopNotifier::show(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message, int msecs)
{
    BalloonNotice notice;
    notice.icon = icon;
    notice.title = title;
    notice.message = message;
    notice.msecs = msecs;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        showInTray(notice);
        return;
    }
    // No question to the bus first whether a service runs: the notice itself asks. The bus
    // starts a service installed for activation, and answers at once when there is none.
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kNormalUrgency));
    // Servers may read the body as markup; our texts are plain.
    call << QStringLiteral("Larkspan") << uint(0) << iconName(icon) << title << message.toHtmlEscaped() << QStringList()
         << hints << int(msecs);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kReplyTimeoutMsecs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (!finished->isError()) {
            LK_DEBUG() << "Notification shown by the desktop: " << notice.title;
            return;
        }
        LK_DEBUG() << "No desktop notification service (" << finished->error().name() << "); the tray shows the notice";
        showInTray(notice);
    });
}

void DesktopNotifier::showInTray(const BalloonNotice& notice, int waitedMsecs)
{
    QSystemTrayIcon* trayIcon = _tray->trayIcon();
    if (!trayIcon) {
        LK_DEBUG() << "No tray and no notification service for the notice: " << notice.title;
        return;
    }
    const bool placed = WindowPlacement::isIconPlaced(trayIcon->geometry());
    if (!placed && waitedMsecs < kIconWaitMsecs && trayIcon->isVisible()) {
        QTimer::singleShot(kIconPollMsecs, this,
                           [this, notice, waitedMsecs] { showInTray(notice, waitedMsecs + kIconPollMsecs); });
        return;
    }
    LK_DEBUG() << "Balloon at the tray icon " << trayIcon->geometry() << (placed ? "" : " (place unknown)");
    // The helper draws on X11. Elsewhere the toolkit hands the notice to the desktop, and
    // an icon never shown gets no balloon from either.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!trayIcon->isVisible() || !screen || QGuiApplication::platformName() != QLatin1String("xcb")) {
        showToolkitBalloon(notice, placed);
        return;
    }
    BalloonNotice shown = notice;
    if (placed) {
        const QScreen* iconScreen = QGuiApplication::screenAt(trayIcon->geometry().center());
        shown.anchor = WindowPlacement::balloonAnchor(trayIcon->geometry(),
                                                      (iconScreen ? iconScreen : screen)->availableGeometry());
    } else {
        shown.anchor = WindowPlacement::trayEdgeCorner(screen->geometry(), screen->availableGeometry());
    }
    const bool started =
        _balloons->show(shown, [this, placed](const BalloonNotice& failed) { showToolkitBalloon(failed, placed); });
    if (!started)
        showToolkitBalloon(notice, placed);
}

void DesktopNotifier::showToolkitBalloon(const BalloonNotice& notice, bool placed)
{
    QSystemTrayIcon* trayIcon = _tray->trayIcon();
    if (!trayIcon)
        return;
    trayIcon->showMessage(notice.title, notice.message, notice.icon, notice.msecs);
    if (!placed)
        moveBalloonToTrayEdge();
}

void DesktopNotifier::moveBalloonToTrayEdge()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        // The toolkit's balloon has no public class: it is known by its name.
        if (!widget->isVisible() || qstrcmp(widget->metaObject()->className(), "QBalloonTip") != 0)
            continue;
        const QRect area = screen->availableGeometry();
        const QPoint corner = WindowPlacement::trayEdgeCorner(screen->geometry(), area);
        widget->move(WindowPlacement::balloonTopLeft(widget->size(), corner, area));
    }
}
