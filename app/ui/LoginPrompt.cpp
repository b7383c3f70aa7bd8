#include "LoginPrompt.h"

#include "AutoUpdater.h"
#include "BrowserLogin.h"
#include "Clock.h"
#include "DesktopNotifier.h"
#include "HttpClient.h"
#include "LoginForm.h"
#include "OfflineWindow.h"
#include "OnDemandWindows.h"
#include "PrivateLink.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "Translations.h"
#include "TrayMenu.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>
#include <QUrl>
#include <utility>

// How long a balloon stays up.
constexpr int kBalloonMsecs = 10000;

LoginPrompt::LoginPrompt(QWidget* parent, AutoUpdater* updater)
    : QMainWindow(parent), loginForm(std::make_unique<LoginForm>(this)), updater(updater)
{
    translator = new QTranslator(this);
    Translations::switchTo(*translator, Translations::savedLocale());

    initTrayIcon();
    rebuildTrayMenu();
    setWindowIcon(trayMenu->icon(TrayMenu::State::Active));
    loginForm->setLogo(trayMenu->icon(TrayMenu::State::Active));

    windows = std::make_unique<OnDemandWindows>(this, updater);
    httpClient = new HttpClient(this);

    connect(httpClient, &HttpClient::errorString, this, &LoginPrompt::onShowError);
    connect(httpClient, &HttpClient::sigLoggingIn, this, &LoginPrompt::onLoggingIn);
    connect(httpClient, &HttpClient::loginSuccess, this, &LoginPrompt::onLoginSuccess);
    connect(httpClient, &HttpClient::loginFailed, this, &LoginPrompt::onLoginFailed);
    // Exchanging the fresh refresh token at once lets the uploader's next pass upload
    // instead of spending that pass on the exchange.
    connect(httpClient, &HttpClient::sigExchangeToken, httpClient, &HttpClient::exchangeToken);
    connect(loginForm->loginButton(), &QPushButton::clicked, this, &LoginPrompt::openLoginPage);

    AppSignals* hub = AppSignals::instance();
    connect(hub, &AppSignals::loginRequired, this, &LoginPrompt::onLoggingIn);
    connect(hub, &AppSignals::loginExpired, this, &LoginPrompt::onLoginExpired);
    connect(hub, &AppSignals::idle, this, &LoginPrompt::onIdle);
    connect(hub, &AppSignals::foundRecentUserEvents, this, &LoginPrompt::onFoundRecentUserEvents);
    connect(hub, &AppSignals::resume, this, &LoginPrompt::onResume);
    connect(hub, &AppSignals::pause, this, &LoginPrompt::onPause);
    connect(hub, &AppSignals::languageChanged, this, &LoginPrompt::onLanguageChanged);
    connect(hub, &AppSignals::notifyUploaded, this, &LoginPrompt::onNotifyUploaded);
    connect(hub, &AppSignals::showMessage, this, &LoginPrompt::onShowMessage);

    const StoredPause stored = StoredPause::load();
    LK_DEBUG() << "LoginPrompt - Checking pause status from settings: pausedIndefinitely=" << stored.indefinitely()
               << ", pausedUntilTomorrow=" << stored.untilTomorrow();
    if (const int code = stored.code())
        emit hub->pause(code);

    showMessage(QSystemTrayIcon::Information, tr("Larkspan is now running"),
                tr("Click on the Larkspan icon in system tray to 'Open My Console' and view your activity summary."));
}

LoginPrompt::~LoginPrompt() = default;

void LoginPrompt::initTrayIcon()
{
    trayMenu = new TrayMenu(this);
    const auto connectIcon = [this](QSystemTrayIcon* icon) {
        connect(icon, &QSystemTrayIcon::activated, this, &LoginPrompt::showHideTrayMenu);
    };
    if (trayMenu->trayIcon())
        connectIcon(trayMenu->trayIcon());
    connect(trayMenu, &TrayMenu::trayIconCreated, this, connectIcon);
    notifier = new DesktopNotifier(trayMenu, this);

    const std::pair<TrayMenu::Entry, void (LoginPrompt::*)()> handlers[] {
        {TrayMenu::OpenConsole, &LoginPrompt::openConsole},
        {TrayMenu::Resume, &LoginPrompt::resumeClicked},
        {TrayMenu::Pause30Minutes, &LoginPrompt::pause30Minutes},
        {TrayMenu::Pause1Hour, &LoginPrompt::pause1Hour},
        {TrayMenu::Pause2Hours, &LoginPrompt::pause2Hours},
        {TrayMenu::PauseUntilTomorrow, &LoginPrompt::pauseUntilTomorrow},
        {TrayMenu::PauseIndefinitely, &LoginPrompt::pauseIndefinitely},
        {TrayMenu::Preferences, &LoginPrompt::showPreferences},
        {TrayMenu::CheckForUpdates, &LoginPrompt::checkForUpdates},
        {TrayMenu::SendDiagnostics, &LoginPrompt::sendFeedback},
        {TrayMenu::Help, &LoginPrompt::openHelpPage},
        {TrayMenu::LogoutAndQuit, &LoginPrompt::onLogoutAndQuit},
        {TrayMenu::Quit, &LoginPrompt::onQuitLarkspan},
    };
    for (const auto& [entry, slot] : handlers)
        connect(trayMenu->action(entry), &QAction::triggered, this, slot);
}

void LoginPrompt::rebuildTrayMenu()
{
    trayMenu->rebuild();
}

void LoginPrompt::onPause(int)
{
    LK_DEBUG() << "LoginPrompt::onPause...";
    if (!UserInfo::load().isLoggedIn())
        return;
    trayMenu->setPaused(true);
    trayMenu->setState(TrayMenu::State::Paused);
}

void LoginPrompt::onResume()
{
    if (!UserInfo::load().isLoggedIn())
        return;
    trayMenu->setPaused(false);
    setActiveOrNotifyIcon();
}

void LoginPrompt::setTrayActionsEnabled(bool enabled)
{
    LK_DEBUG() << "setTrayActionsEnabled: " << enabled;
    trayMenu->setUserActionsEnabled(enabled);
}

void LoginPrompt::setActiveOrNotifyIcon()
{
    trayMenu->setState(manualTimePrompts.isEmpty() ? TrayMenu::State::Active : TrayMenu::State::Notify);
}

void LoginPrompt::onIdle(QDateTime idleStart)
{
    trayMenu->setState(TrayMenu::State::Idle);
    manualTimePrompts.noteIdleStart(std::move(idleStart));
}

void LoginPrompt::onFoundRecentUserEvents(const QDateTime& idleEnd)
{
    const QDateTime idleStart = manualTimePrompts.takeIdleStart();
    if (idleStart.isValid()) {
        LK_DEBUG() << "onFoundRecentUserEvents: idleEnd=" << idleEnd;
        LK_INFO() << "onFoundRecentUserEvents... create new offline dialog and show";
        openOfflineWindow(idleStart, idleEnd);
    }
    setActiveOrNotifyIcon();
}

OfflineWindow* LoginPrompt::openOfflineWindow(QDateTime start, QDateTime end)
{
    OfflineWindow* window = manualTimePrompts.create(std::move(start), std::move(end));
    connect(window, &OfflineWindow::closed, this, &LoginPrompt::onOfflineWindowClosed);
    window->askForComment();
    return window;
}

void LoginPrompt::onOfflineWindowClosed()
{
    auto* window = qobject_cast<OfflineWindow*>(sender());
    if (!window)
        return;
    LK_DEBUG() << "onOfflineDialogClosed: one offline dialog is closed and going to be deleted.";
    manualTimePrompts.release(window);
}

void LoginPrompt::onNotificationMessageClicked(const QHash<QString, QString>& msgData)
{
    QDateTime start;
    QDateTime end;
    if (!ManualTimePrompts::periodOf(msgData, start, end))
        return;
    OfflineWindow* window = openOfflineWindow(start, end);
    window->raise();
    window->activateWindow();
}

void LoginPrompt::openLoginPage()
{
    const QString url = browserLogin.startLogin();
    loginForm->showAddress(url);
    PrivateLink::openInBrowser(QUrl(url));
    hide();
    httpClient->checkLoginStatus();
}

void LoginPrompt::showLoginWindow(bool loginPageOpened)
{
    loginForm->present(loginPageOpened, BrowserLogin::loginUrl());
}

void LoginPrompt::onLoggingIn()
{
    if (browserLogin.isOverdue())
        showLoginWindow(false);
}

void LoginPrompt::onLoginSuccess(const UserInfo& userInfo)
{
    LK_DEBUG() << "onLoginSuccess - cvUserId: " << userInfo.cvUserId();
    onShowMessage(tr("Larkspan"), tr("Logged in successfully."));
    userInfo.save();
    emit AppSignals::instance()->loggedIn();
    hide();
    setTrayActionsEnabled(true);
    trayMenu->setState(TrayMenu::State::Active);
}

void LoginPrompt::onLoginFailed(const QString& reason)
{
    UserInfo userInfo = UserInfo::load();
    userInfo.logout();
    LK_DEBUG() << "onLoginFailed - Reason: " << reason;
    onShowError(tr("Larkspan"), reason);
    showLoginWindow(false);
}

// Tracking goes on and every log stays; only the login is asked for again, as at first start.
void LoginPrompt::onLoginExpired()
{
    LK_INFO() << "onLoginExpired: the service refused the stored login, asking the user to log in again";
    onShowError(tr("Larkspan"), tr("Your Larkspan login has expired. Please log in again."));
    setTrayActionsEnabled(false);
    openLoginPage();
    showLoginWindow(true);
}

void LoginPrompt::openConsole()
{
    const QString consoleUrl = BrowserLogin::consoleUrl();
    if (!consoleUrl.isEmpty())
        windows->showConsole(consoleUrl);
}

void LoginPrompt::openHelpPage()
{
    LK_DEBUG() << "openHelpPage...";
    QDesktopServices::openUrl(QUrl(AppConstants::serverBaseUrl() + QStringLiteral("/help")));
}

void LoginPrompt::showPreferences()
{
    LK_DEBUG() << "showPreferences...";
    windows->showPreferences();
}

void LoginPrompt::sendFeedback()
{
    LK_INFO() << "sendFeedback: showing dialog...";
    windows->showDiagnostics();
}

void LoginPrompt::checkForUpdates()
{
    if (updater) {
        LK_INFO() << "checkForUpdates with UI...";
        updater->checkForUpdatesWithUI();
    } else {
        LK_INFO() << "no updater initialised.";
    }
}

void LoginPrompt::onLogoutAndQuit()
{
    LK_INFO() << "onLogoutAndQuit: Logged out user from Desktop side.";
    // The logout itself comes at the end of the run, once the last minute tracked has been
    // built for this user and what is pending has been sent for them: nothing of theirs may
    // be left for whoever logs in next.
    QSettings().setValue(Keys::logoutPending, true);
    close();
    QCoreApplication::quit();
}

void LoginPrompt::onQuitLarkspan()
{
    close();
    QCoreApplication::quit();
}

void LoginPrompt::showHideTrayMenu(QSystemTrayIcon::ActivationReason reason)
{
    LK_DEBUG() << "showHideTrayMenu...";
    if (reason == QSystemTrayIcon::Trigger)
        trayMenu->iconClicked(isVisible());
    manualTimePrompts.raiseAll();
}

void LoginPrompt::onShowMessage(const QString& title, const QString& message)
{
    LK_DEBUG() << "onShowMessage...";
    showMessage(QSystemTrayIcon::Information, title, message);
}

void LoginPrompt::onShowError(const QString& title, const QString& message)
{
    LK_DEBUG() << "onShowError...";
    showMessage(QSystemTrayIcon::Critical, title, message);
}

void LoginPrompt::showMessage(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message)
{
    LK_DEBUG() << "showMessage...";
    notifier->show(icon, title, message, kBalloonMsecs);
}

void LoginPrompt::onNotifyUploaded()
{
    trayMenu->setLastSynced(Clock::nowLocal());
}

void LoginPrompt::onLanguageChanged(const QString& language)
{
    Translations::switchTo(*translator, QLocale(language));
    loginForm->retranslate();
    trayMenu->retranslate();
    rebuildTrayMenu();
}

void LoginPrompt::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        loginForm->retranslate();
        // An open login window takes the height the new texts need.
        if (isVisible())
            loginForm->fit();
    }
    QMainWindow::changeEvent(event);
}

void LoginPrompt::closeEvent(QCloseEvent* event)
{
    LK_DEBUG() << "Going to quit Larkspan: " << event;
    trayMenu->setIconVisible(false);
    windows->closeConsole();
    event->accept();
    // The other windows only hide when closed and the program keeps running without any
    // visible window, so closing this one ends the program explicitly.
    QCoreApplication::quit();
}

void LoginPrompt::hideTrayIcon()
{
    trayMenu->setIconVisible(false);
}
