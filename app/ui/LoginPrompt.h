#pragma once

#include "AppSignals.h"
#include "BrowserLogin.h"
#include "ManualTimePrompts.h"
#include "StoredPause.h"
#include "UserInfo.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

class AutoUpdater;
class DesktopNotifier;
class HttpClient;
class LoginForm;
class OfflineWindow;
class OnDemandWindows;
class QTranslator;
class TrayMenu;

// The program's main window and its whole visible presence: a small login prompt shown
// only while the user has to log in, and the tray icon with its menu and notifications
// the rest of the time. Drives the browser login, pause and resume, the manual time
// prompt after an idle period, the other windows and the interface language; the tray
// menu, the login form and the prompts are classes of their own.
class LoginPrompt : public QMainWindow
{
    Q_OBJECT
public:
    LoginPrompt(QWidget* parent, AutoUpdater* updater);
    ~LoginPrompt() override;

    void setTrayActionsEnabled(bool enabled);
    void openLoginPage();
    void showLoginWindow(bool loginPageOpened);
    void hideTrayIcon();
    // The tray icon and its menu, for a second start that asks for the menu.
    TrayMenu* tray() const { return trayMenu; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void initTrayIcon();
    void checkForUpdates();
    void sendFeedback();
    void onLoggingIn();
    void onLoginSuccess(const UserInfo& userInfo);
    void onLoginFailed(const QString& reason);
    void onLoginExpired();
    // The event manager pauses and resumes; the menu only asks for it.
    void pause30Minutes() { pauseClicked(30); }
    void pause1Hour() { pauseClicked(60); }
    void pause2Hours() { pauseClicked(120); }
    void pauseUntilTomorrow() { pauseClicked(PauseCode::untilTomorrow); }
    void pauseIndefinitely() { pauseClicked(PauseCode::indefinitely); }
    void pauseClicked(int minutes) { emit AppSignals::instance()->pause(minutes); }
    void resumeClicked() { emit AppSignals::instance()->resume(); }
    void onIdle(QDateTime idleStart);
    void onFoundRecentUserEvents(const QDateTime& idleEnd);
    void onResume();
    void onPause(int minutes);
    void onLanguageChanged(const QString& language);
    void openConsole();
    void showPreferences();
    void openHelpPage();
    void onLogoutAndQuit();
    void onQuitLarkspan();
    void showHideTrayMenu(QSystemTrayIcon::ActivationReason reason);
    void onShowMessage(const QString& title, const QString& message);
    void onShowError(const QString& title, const QString& message);
    void showMessage(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message);
    void onNotifyUploaded();
    // Kept for the controller's documented slot list: a dock icon exists on no desktop we run on.
    void onHideDockIconIfNeeded() {}
    void onOfflineWindowClosed();
    // Kept for a notification service whose click hands back the idle period; none sends one yet.
    void onNotificationMessageClicked(const QHash<QString, QString>& msgData);

private:
    void rebuildTrayMenu();
    OfflineWindow* openOfflineWindow(QDateTime start, QDateTime end);
    void setActiveOrNotifyIcon();

    BrowserLogin browserLogin;
    std::unique_ptr<LoginForm> loginForm;
    AutoUpdater* updater;
    QTranslator* translator;
    TrayMenu* trayMenu = nullptr;
    ManualTimePrompts manualTimePrompts;
    std::unique_ptr<OnDemandWindows> windows;
    HttpClient* httpClient = nullptr;

    // Balloons go to the desktop's notification service where one runs.
    DesktopNotifier* notifier = nullptr;
};
