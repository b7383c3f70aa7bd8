#pragma once

#include <QDateTime>
#include <QIcon>
#include <QObject>
#include <QString>
#include <array>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray icon in its four states and its context menu. The entries' texts are written in
// one place, retranslate(), and belong to the tray controller's translation context
// "LoginPrompt". What an entry does is the tray controller's business: it connects to
// action().
class TrayMenu : public QObject
{
    Q_OBJECT
public:
    // In menu order, separators aside.
    enum Entry {
        OpenConsole,
        Status,
        Resume,
        Pause30Minutes,
        Pause1Hour,
        Pause2Hours,
        PauseUntilTomorrow,
        PauseIndefinitely,
        LastSynced,
        Preferences,
        CheckForUpdates,
        SendDiagnostics,
        Help,
        LogoutAndQuit,
        Quit,
        EntryCount
    };
    enum class State { Active, Notify, Idle, Paused };

    // The menu belongs to window; the icon shows State::Active until told otherwise. In a
    // Wayland session whose bar has no tray up yet, the icon is made once the tray is there.
    explicit TrayMenu(QWidget* window);

    QAction* action(Entry entry) const { return _actions[entry]; }
    // Null while the icon waits for the desktop's tray; trayIconCreated() tells when it exists.
    QSystemTrayIcon* trayIcon() const { return _trayIcon; }
    // Holds for an icon made later, too.
    void setIconVisible(bool visible);
    QMenu* menu() const { return _menu; }
    QIcon icon(State state) const { return _icons[int(state)]; }

    void setState(State state);
    // Paused: the status reads "Paused", "Resume" is offered instead of the pause entries.
    void setPaused(bool paused);
    bool isPaused() const { return _paused; }
    // The entries that need a logged-in user: console, resume and pause.
    void setUserActionsEnabled(bool enabled);
    void setLastSynced(const QDateTime& localTime);

    // Every entry's text in the current language.
    void retranslate();
    // Lays the entries out afresh.
    void rebuild();
    // A plain click on the icon shows the menu at the icon; while the login window is up,
    // it hides the menu instead.
    void iconClicked(bool loginWindowShown);
    // The menu as a small window at the pointer, for a desktop with no tray to click.
    void showAtPointer();

signals:
    void trayIconCreated(QSystemTrayIcon* icon);

private slots:
    // Named for the session bus's signal hook, which takes slots by name only.
    void onTrayHostMaybeRegistered();

private:
    void createTrayIcon();
    void waitForTrayHost();
    // At the icon, or at the pointer when iconRect is empty.
    void popUp(const QRect& iconRect);
    QString statusText() const;
    QString lastSyncedText() const;

    std::array<QIcon, 4> _icons;
    QSystemTrayIcon* _trayIcon = nullptr;
    State _state = State::Active;
    bool _iconVisible = true;
    QMenu* _menu = nullptr;
    std::array<QAction*, EntryCount> _actions {};
    bool _paused = false;
    QDateTime _lastSyncedAt;
};
