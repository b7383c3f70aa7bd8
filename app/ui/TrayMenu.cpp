#include "TrayMenu.h"

#include "LarkspanIcons.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QLocale>
#include <QMenu>
#include <QProxyStyle>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QWindow>

namespace {

const QString kTrayWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kTrayWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// A Wayland session's only tray is a bar's StatusNotifierItem host, and Qt decides at its
// first tray icon, once for the whole run, whether there is one: an icon made before the
// bar's tray is up would never show. X11 sessions keep their icon from the start.
bool waylandTrayHostMissing()
{
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kTrayWatcher, kTrayWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << kTrayWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    // Without a watcher the bus answers at once; a hung one costs the start two seconds.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    return reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()
        || !qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

// The texts were translated as the tray controller's own and keep its context.
constexpr char kContext[] = "LoginPrompt";

// Object names let tests and accessibility tools find the entries. Status and last synced
// have no fixed text.
struct EntryInfo {
    const char* objectName;
    const char* text;
};
constexpr std::array<EntryInfo, TrayMenu::EntryCount> kEntries {{
    {"actionOpenConsole", QT_TRANSLATE_NOOP("LoginPrompt", "Open My Console")},
    {"actionStatus", nullptr},
    {"actionResume", QT_TRANSLATE_NOOP("LoginPrompt", "Resume")},
    {"actionPause30Minutes", QT_TRANSLATE_NOOP("LoginPrompt", "Pause for 30 minutes")},
    {"actionPause1Hour", QT_TRANSLATE_NOOP("LoginPrompt", "Pause for 1 hour")},
    {"actionPause2Hours", QT_TRANSLATE_NOOP("LoginPrompt", "Pause for 2 hours")},
    {"actionPauseUntilTomorrow", QT_TRANSLATE_NOOP("LoginPrompt", "Pause until tomorrow")},
    {"actionPauseIndefinitely", QT_TRANSLATE_NOOP("LoginPrompt", "Pause indefinitely")},
    {"actionLastSynced", nullptr},
    {"actionPreferences", QT_TRANSLATE_NOOP("LoginPrompt", "Preferences...")},
    {"actionCheckForUpdates", QT_TRANSLATE_NOOP("LoginPrompt", "Check for Updates...")},
    {"actionSendDiagnostics", QT_TRANSLATE_NOOP("LoginPrompt", "Send Diagnostics...")},
    {"actionHelp", QT_TRANSLATE_NOOP("LoginPrompt", "Help")},
    {"actionLogoutAndQuit", QT_TRANSLATE_NOOP("LoginPrompt", "Logout && Quit")},
    {"actionQuit", QT_TRANSLATE_NOOP("LoginPrompt", "Quit Larkspan")},
}};

constexpr TrayMenu::Entry kPauseEntries[] {TrayMenu::Pause30Minutes, TrayMenu::Pause1Hour, TrayMenu::Pause2Hours,
                                           TrayMenu::PauseUntilTomorrow, TrayMenu::PauseIndefinitely};

// The month's name in the interface language (sizes and numbers in the other windows
// follow the same default locale).
QString syncTimeText(const QDateTime& time)
{
    return QLocale().toString(time, QStringLiteral("dd MMM HH:mm"));
}

// A menu taller than the screen scrolls, with arrows at its ends, instead of breaking into
// columns: on a small or scaled screen (a 1280x800 laptop at scale 2 is 640x400) the columns
// are wider than the screen, and the last entries are cut off.
class ScrollingMenuStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TrayMenu::TrayMenu(QWidget* window) : QObject(window)
{
    const char* const states[] {"active", "notify", "idle", "paused"};
    for (int i = 0; i < int(_icons.size()); ++i) {
        _icons[i] = LarkspanIcons::trayIcon(QString::fromLatin1(states[i]));
        _icons[i].setIsMask(true);
    }
    _menu = new QMenu(window);
    auto* style = new ScrollingMenuStyle;
    style->setParent(_menu);
    _menu->setStyle(style);
    if (waylandTrayHostMissing())
        waitForTrayHost();
    else
        createTrayIcon();

    for (int entry = 0; entry < EntryCount; ++entry) {
        _actions[entry] = new QAction(this);
        _actions[entry]->setObjectName(QString::fromLatin1(kEntries[entry].objectName));
    }
    action(LastSynced)->setEnabled(false);
    action(Status)->setEnabled(false);
    action(Resume)->setVisible(false);
    retranslate();
}

void TrayMenu::createTrayIcon()
{
    _trayIcon = new QSystemTrayIcon(icon(_state), this);
    _trayIcon->setToolTip(QStringLiteral("Larkspan"));
    _trayIcon->setContextMenu(_menu);
    _trayIcon->setVisible(_iconVisible);
    emit trayIconCreated(_trayIcon);
}

void TrayMenu::waitForTrayHost()
{
    LK_INFO() << "TrayMenu - no tray on the session bus yet, the tray icon waits for one";
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* watcher = new QDBusServiceWatcher(kTrayWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &TrayMenu::onTrayHostMaybeRegistered);
    // The watcher may be up before its host: the host's arrival is announced.
    bus.connect(kTrayWatcher, kTrayWatcherPath, kTrayWatcher, QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(onTrayHostMaybeRegistered()));
}

void TrayMenu::onTrayHostMaybeRegistered()
{
    if (_trayIcon || waylandTrayHostMissing())
        return;
    LK_INFO() << "TrayMenu - a tray is up, showing the tray icon";
    createTrayIcon();
}

void TrayMenu::setIconVisible(bool visible)
{
    _iconVisible = visible;
    if (_trayIcon)
        _trayIcon->setVisible(visible);
}

void TrayMenu::setState(State state)
{
    _state = state;
    if (_trayIcon)
        _trayIcon->setIcon(icon(state));
}

void TrayMenu::setPaused(bool paused)
{
    _paused = paused;
    action(Status)->setText(statusText());
    action(Resume)->setVisible(paused);
    for (Entry entry : kPauseEntries)
        action(entry)->setVisible(!paused);
}

void TrayMenu::setUserActionsEnabled(bool enabled)
{
    action(Resume)->setEnabled(enabled);
    for (Entry entry : kPauseEntries)
        action(entry)->setEnabled(enabled);
    action(OpenConsole)->setEnabled(enabled);
}

void TrayMenu::setLastSynced(const QDateTime& localTime)
{
    _lastSyncedAt = localTime;
    action(LastSynced)->setText(lastSyncedText());
}

QString TrayMenu::statusText() const
{
    return _paused ? QCoreApplication::translate("LoginPrompt", "Paused")
                   : QCoreApplication::translate("LoginPrompt", "Active");
}

QString TrayMenu::lastSyncedText() const
{
    if (_lastSyncedAt.isValid())
        return QCoreApplication::translate("LoginPrompt", "Last synced: ") + syncTimeText(_lastSyncedAt);
    if (iniSettings().value(IniKeys::uploadDisabled, false).toBool())
        return QCoreApplication::translate("LoginPrompt", "Upload disabled");
    return QCoreApplication::translate("LoginPrompt", "Last synced: checking...");
}

void TrayMenu::retranslate()
{
    for (int entry = 0; entry < EntryCount; ++entry) {
        if (kEntries[entry].text)
            _actions[entry]->setText(QCoreApplication::translate(kContext, kEntries[entry].text));
    }
    action(Status)->setText(statusText());
    action(LastSynced)->setText(lastSyncedText());
}

void TrayMenu::rebuild()
{
    _menu->clear();
    for (int entry = 0; entry < EntryCount; ++entry) {
        // Apart: the console, the tracking state, the last upload, the program's windows,
        // and the two ways out.
        if (entry == Status || entry == LastSynced || entry == Preferences || entry == LogoutAndQuit)
            _menu->addSeparator();
        _menu->addAction(_actions[entry]);
    }
}

void TrayMenu::iconClicked(bool loginWindowShown)
{
    if (loginWindowShown) {
        LK_DEBUG() << "Hide system tray menu...";
        _menu->hide();
        return;
    }
    LK_DEBUG() << "Show system tray menu...";
    popUp(_trayIcon ? _trayIcon->geometry() : QRect());
}

void TrayMenu::showAtPointer()
{
    LK_DEBUG() << "Show the menu at the pointer...";
    popUp(QRect());
}

void TrayMenu::popUp(const QRect& iconRect)
{
    const QPoint pointer = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(WindowPlacement::trayMenuAnchor(iconRect, pointer));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // Sized for the screen it opens on, before it is shown: a menu first shown off every
    // screen is laid out for no screen's scale, and keeps that size where it then appears
    // (cut off on a screen scaled by 2). popup() keeps it on the screen, scrolling where it
    // is taller.
    _menu->createWinId();
    _menu->windowHandle()->setScreen(screen);
    const QRect area = screen->availableGeometry();
    const QSize size = _menu->sizeHint().boundedTo(area.size());
    _menu->popup(WindowPlacement::trayMenuTopLeft(size, iconRect, pointer, area));
    // popup() keeps a gap of the style's frame to the screen's edge, which a menu as wide
    // or as tall as the screen no longer fits into.
    const QRect shown = _menu->geometry();
    if (!area.contains(shown))
        _menu->move(WindowPlacement::trayMenuTopLeft(shown.size(), iconRect, pointer, area));
}
