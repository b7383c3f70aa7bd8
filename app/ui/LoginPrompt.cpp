#include "LoginPrompt.h"
#include "ui_LoginPrompt.h"

#include "AppSignals.h"
#include "AutoUpdater.h"
#include "Clock.h"
#include "DateTimeUtils.h"
#include "DesktopNotifier.h"
#include "FeedbackDialog.h"
#include "HttpClient.h"
#include "OfflineWindow.h"
#include "PrefDialog.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "StoredPause.h"
#include "TokenMask.h"
#include "Translations.h"
#include "TrayMenu.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QLayout>
#include <QLocale>
#include <QSettings>
#include <QSysInfo>
#include <QTranslator>
#include <QUrl>
#include <utility>

namespace {

constexpr int kBalloonMsecs = 10000;
constexpr int kLoginWindowMinWidth = 480;
constexpr int kLoginWindowMaxHeight = 250; // the form's own limit

bool isLoggedIn()
{
    return UserInfo::load().isLoggedIn();
}

QString helpPageUrl()
{
    return AppConstants::serverBaseUrl() + QStringLiteral("/help");
}

} // namespace

LoginPrompt::LoginPrompt(QWidget* parent, AutoUpdater* updater)
    : QMainWindow(parent), ui(std::make_unique<Ui::LoginPrompt>()), updater(updater)
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    translator = new QTranslator(this);
    ui->btnLogin->setFocus();
    // The address is filled in once the login page has been opened.
    ui->labelLoginUrl->hide();
    ui->labelLoginAddress->hide();

    const QLocale locale(QSettings().value(Keys::language, QLocale::system().name()).toString());
    LK_DEBUG() << "Locale: " << locale << ", currentPath: " << QDir::currentPath();
    Translations::load(*translator, locale);
    QCoreApplication::installTranslator(translator);
    QLocale::setDefault(locale);

    initTrayIcon();
    rebuildTrayMenu();
    setWindowIcon(trayMenu->icon(TrayMenu::State::Active));
    showLogo();

    httpClient = new HttpClient(this);

    connect(httpClient, &HttpClient::errorString, this, &LoginPrompt::onShowError);
    connect(httpClient, &HttpClient::sigLoggingIn, this, &LoginPrompt::onLoggingIn);
    connect(httpClient, &HttpClient::loginSuccess, this, &LoginPrompt::onLoginSuccess);
    connect(httpClient, &HttpClient::loginFailed, this, &LoginPrompt::onLoginFailed);
    // Exchanging the fresh refresh token at once lets the uploader's next pass upload
    // instead of spending that pass on the exchange.
    connect(httpClient, &HttpClient::sigExchangeToken, httpClient, &HttpClient::exchangeToken);
    connect(ui->btnLogin, &QPushButton::clicked, this, &LoginPrompt::openLoginPage);

    AppSignals* hub = AppSignals::instance();
    connect(hub, &AppSignals::loginRequired, this, &LoginPrompt::onLoggingIn);
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

    LK_DEBUG() << "showMessage...";
    showMessage(QSystemTrayIcon::Information, tr("Larkspan is now running"),
                tr("Click on the Larkspan icon in system tray to 'Open My Console' and view your activity summary."));
}

LoginPrompt::~LoginPrompt()
{
    // Manual time prompts have no parent; the ones still open go with us.
    qDeleteAll(offlineWindows);
}

void LoginPrompt::initTrayIcon()
{
    trayMenu = new TrayMenu(this);
    connect(trayMenu->trayIcon(), &QSystemTrayIcon::activated, this, &LoginPrompt::showHideTrayMenu);
    notifier = new DesktopNotifier(trayMenu->trayIcon(), this);

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

void LoginPrompt::rebuildTrayMenu() { trayMenu->rebuild(); }

void LoginPrompt::showLogo()
{
    ui->labelLogo->setPixmap(
        trayMenu->icon(TrayMenu::State::Active).pixmap(64).scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// ---- Pause and resume ----

void LoginPrompt::pause30Minutes() { pauseClicked(30); }
void LoginPrompt::pause1Hour() { pauseClicked(60); }
void LoginPrompt::pause2Hours() { pauseClicked(120); }
void LoginPrompt::pauseUntilTomorrow() { pauseClicked(PauseCode::untilTomorrow); }
void LoginPrompt::pauseIndefinitely() { pauseClicked(PauseCode::indefinitely); }

void LoginPrompt::pauseClicked(int minutes)
{
    emit AppSignals::instance()->pause(minutes);
}

void LoginPrompt::resumeClicked()
{
    emit AppSignals::instance()->resume();
}

void LoginPrompt::onPause(int)
{
    LK_DEBUG() << "LoginPrompt::onPause...";
    if (!isLoggedIn())
        return;
    trayMenu->setPaused(true);
    trayMenu->setState(TrayMenu::State::Paused);
}

void LoginPrompt::onResume()
{
    if (!isLoggedIn())
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
    trayMenu->setState(offlineWindows.isEmpty() ? TrayMenu::State::Active : TrayMenu::State::Notify);
}

// ---- Idle and the manual time prompt ----

void LoginPrompt::onIdle(QDateTime idleStart)
{
    trayMenu->setState(TrayMenu::State::Idle);
    const bool offlineEnabled = QSettings().value(Keys::offlineEnabled, Defaults::offlineEnabled).toBool();
    LK_DEBUG() << "LoginPrompt::onIdle... offlineEnabled=" << offlineEnabled;
    // The first idle start of a period wins: the event manager repeats the signal every pass.
    if (offlineEnabled && !idleStartedAt.isValid())
        idleStartedAt = std::move(idleStart);
}

void LoginPrompt::onFoundRecentUserEvents(const QDateTime& idleEnd)
{
    if (idleStartedAt.isValid()) {
        LK_DEBUG() << "onFoundRecentUserEvents: idleEnd=" << idleEnd;
        LK_INFO() << "onFoundRecentUserEvents... create new offline dialog and show";
        openOfflineWindow(idleStartedAt, idleEnd);
        idleStartedAt = QDateTime();
    }
    setActiveOrNotifyIcon();
}

OfflineWindow* LoginPrompt::openOfflineWindow(QDateTime start, QDateTime end)
{
    auto* window = new OfflineWindow(std::move(start), std::move(end), nullptr);
    connect(window, &OfflineWindow::closed, this, &LoginPrompt::onOfflineWindowClosed);
    offlineWindows.append(window);
    window->askForComment();
    return window;
}

void LoginPrompt::onOfflineWindowClosed()
{
    auto* window = qobject_cast<OfflineWindow*>(sender());
    if (!window)
        return;
    offlineWindows.removeAll(window);
    LK_DEBUG() << "onOfflineDialogClosed: one offline dialog is closed and going to be deleted.";
    window->deleteLater();
}

void LoginPrompt::onNotificationMessageClicked(const QHash<QString, QString>& msgData)
{
    const QString startKey = QStringLiteral("startTimeUtcStr");
    const QString endKey = QStringLiteral("endTimeUtcStr");
    if (!msgData.contains(startKey) || !msgData.contains(endKey))
        return;
    LK_DEBUG() << "onNotificationMessageClicked: startTimeUtcStr=" << msgData.value(startKey)
                   << ", endTimeUtcStr=" << msgData.value(endKey);
    OfflineWindow* window = openOfflineWindow(DateTimeUtils::fromUTCString(msgData.value(startKey)),
                                              DateTimeUtils::fromUTCString(msgData.value(endKey)));
    window->raise();
    window->activateWindow();
}

// ---- Login ----

QString LoginPrompt::buildLoginUrl(const QString& clientUuid) const
{
    return QStringLiteral("%1/console/?lkCuid=%2").arg(AppConstants::serverBaseUrl(), clientUuid);
}

void LoginPrompt::openLoginPage()
{
    loginStartedAt = Clock::nowUtc();
    const QString loginUrl = buildLoginUrl(QSettings().value(Keys::clientUuid, QString()).toString());
    LK_DEBUG() << "loginUrl: " << loginUrl;
    showLoginAddress(loginUrl);
    QDesktopServices::openUrl(QUrl(loginUrl));
    hide();
    httpClient->checkLoginStatus();
}

void LoginPrompt::showLoginWindow(bool loginPageOpened)
{
    loginInfo = loginPageOpened ? LoginInfo::PageOpened : LoginInfo::PageNotOpened;
    showLoginInfo();
    // Someone without a browser can still copy the address into one elsewhere.
    if (ui->labelLoginAddress->text().isEmpty())
        showLoginAddress(buildLoginUrl(QSettings().value(Keys::clientUuid, QString()).toString()));
    ui->labelLoginUrl->show();
    ui->labelLoginAddress->show();
    if (QSysInfo::prettyProductName().startsWith(QLatin1String("Windows 10")))
        setMinimumSize(600, 350);
    // Left to itself, adjustSize() narrows a window of word-wrapped text until it is tall,
    // and the window's height limit then cuts the text off: keep it wide enough.
    setMinimumWidth(qMax(minimumWidth(), kLoginWindowMinWidth));
    fitLoginWindow();
    WindowPlacement::centreOnPrimaryScreen(this);
    show();
    raise();
    activateWindow();
}

// The form's height limit was made for its two texts. Below them the window now also shows
// the login address, which takes two lines or three for a long service address, and Korean
// and Chinese lines are taller: the window grows past the limit when, and only as far as,
// its content needs.
void LoginPrompt::fitLoginWindow()
{
    setMaximumHeight(kLoginWindowMaxHeight);
    adjustSize();
    const int needed = centralWidget()->layout()->minimumHeightForWidth(width());
    if (needed > height()) {
        setMaximumHeight(needed);
        resize(width(), needed);
    }
}

// A link that can be selected and copied (its context menu copies the address). A label
// rather than a line edit: an edit field lays out its text as soon as it is built, which
// would load the fonts at every start, also for the many runs that never show this window.
void LoginPrompt::showLoginAddress(const QString& url)
{
    const QString escaped = url.toHtmlEscaped();
    ui->labelLoginAddress->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(escaped));
}

void LoginPrompt::showLoginInfo()
{
    if (loginInfo == LoginInfo::PageOpened) {
        ui->labelInfo->setText(
            tr("Larkspan needs your login details. We've opened a login screen for you.<br><br>Don\u2019t see the "
               "Larkspan login screen? Press \"Login to Larkspan\" below to login via your web browser."));
    } else if (loginInfo == LoginInfo::PageNotOpened) {
        ui->labelInfo->setText(tr("Larkspan needs your login details. Press \"Login to Larkspan\" below to login via "
                                  "your web browser."));
    }
}

void LoginPrompt::onLoggingIn()
{
    const QDateTime now = Clock::nowUtc();
    const qint64 diff = loginStartedAt.isValid() ? loginStartedAt.secsTo(now) : 0;
    const qint64 absDiff = diff < 0 ? -diff : diff;
    LK_INFO() << "onLoggingIn: loginStart=" << loginStartedAt << ", now=" << now << ", diff=" << diff
                  << " seconds";
    if (absDiff > 30)
        showLoginWindow(false);
}

void LoginPrompt::onLoginSuccess(const UserInfo& userInfo)
{
    LK_DEBUG() << "onLoginSuccess - cvUserId: " << userInfo.cvUserId();
    onShowMessage(tr("Larkspan"), tr("Logged in successfully."));
    userInfo.save();
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

// ---- Other actions ----

QString LoginPrompt::buildConsoleUrl(const QString& refreshToken) const
{
    // The log stays on disk and travels with diagnostics: never write the token whole.
    LK_INFO() << QStringLiteral("Building console URL: refreshToken=%2").arg(TokenMask::token(refreshToken));
    const QString url = QStringLiteral("%1/console/login/r/%2").arg(AppConstants::serverBaseUrl(), refreshToken);
    LK_INFO() << QStringLiteral("Built console URL: %1").arg(TokenMask::inText(url, refreshToken));
    return url;
}

void LoginPrompt::openConsole()
{
    const UserInfo userInfo = UserInfo::load();
    if (userInfo.refreshToken().isEmpty())
        return;
    const QString consoleUrl = buildConsoleUrl(userInfo.refreshToken());
    LK_DEBUG() << "consoleUrl: " << TokenMask::inText(consoleUrl, userInfo.refreshToken());
    if (QSettings().value(Keys::useDefaultBrowser, Defaults::useDefaultBrowser).toBool())
        QDesktopServices::openUrl(QUrl(consoleUrl));
    else
        console()->openConsole(consoleUrl);
}

void LoginPrompt::openHelpPage()
{
    LK_DEBUG() << "openHelpPage...";
    QDesktopServices::openUrl(QUrl(helpPageUrl()));
}

void LoginPrompt::showPreferences()
{
    LK_DEBUG() << "showPreferences...";
    PrefDialog* dialog = preferences();
    dialog->adjustSize();
    WindowPlacement::centreOnPrimaryScreen(dialog);
    dialog->show();
}

void LoginPrompt::sendFeedback()
{
    LK_INFO() << "sendFeedback: showing dialog...";
    FeedbackDialog* dialog = diagnostics();
    dialog->showDialog();
    dialog->raise();
    dialog->activateWindow();
}

// The preferences, the diagnostics dialog and the console window are built when first
// asked for: most runs never open them, and building their widgets alone keeps about 2 MiB
// of the toolkit's code resident, and the fonts with their text layout on a desktop whose
// notification service shows our balloons. Once built, each lives as long as the tray
// controller.
PrefDialog* LoginPrompt::preferences()
{
    if (!prefDialog)
        prefDialog = new PrefDialog(this, updater);
    return prefDialog;
}

FeedbackDialog* LoginPrompt::diagnostics()
{
    if (!feedbackDialog)
        feedbackDialog = new FeedbackDialog(this);
    return feedbackDialog;
}

ConsoleWindow* LoginPrompt::console()
{
    if (!consoleWindow)
        consoleWindow = std::make_unique<ConsoleWindow>(nullptr);
    return consoleWindow.get();
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
    UserInfo userInfo = UserInfo::load();
    userInfo.logout();
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
    for (OfflineWindow* window : qAsConst(offlineWindows))
        window->raise();
}

// ---- Notifications ----

void LoginPrompt::onShowMessage(const QString& title, const QString& message)
{
    LK_DEBUG() << "onShowMessage...";
    LK_DEBUG() << "showMessage...";
    notifier->show(QSystemTrayIcon::Information, title, message, kBalloonMsecs);
}

void LoginPrompt::onShowError(const QString& title, const QString& message)
{
    LK_DEBUG() << "onShowError...";
    LK_DEBUG() << "showMessage...";
    notifier->show(QSystemTrayIcon::Critical, title, message, kBalloonMsecs);
}

void LoginPrompt::showMessage(QSystemTrayIcon::MessageIcon icon, const QString& title, const QString& message)
{
    LK_DEBUG() << "showMessage...";
    notifier->show(icon, title, message, kBalloonMsecs);
}

void LoginPrompt::onNotifyUploaded() { trayMenu->setLastSynced(Clock::nowLocal()); }
void LoginPrompt::onHideDockIconIfNeeded() {}

// ---- Language ----

void LoginPrompt::onLanguageChanged(const QString& language)
{
    QCoreApplication::removeTranslator(translator);
    Translations::load(*translator, QLocale(language));
    QCoreApplication::installTranslator(translator);
    QLocale::setDefault(QLocale(language));
    ui->retranslateUi(this);
    showLoginInfo();
    showLogo();
    trayMenu->retranslate();
    rebuildTrayMenu();
}

void LoginPrompt::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        // The form's own texts would replace the logo and the login text shown.
        showLoginInfo();
        showLogo();
        // An open login window takes the height the new texts need.
        if (isVisible())
            fitLoginWindow();
    }
    QMainWindow::changeEvent(event);
}

// ---- Closing ----

void LoginPrompt::closeEvent(QCloseEvent* event)
{
    LK_DEBUG() << "Going to quit Larkspan: " << event;
    trayMenu->trayIcon()->hide();
    if (consoleWindow)
        consoleWindow->close();
    event->accept();
    // The other windows only hide when closed and the program keeps running without any
    // visible window, so closing this one ends the program explicitly.
    QCoreApplication::quit();
}

void LoginPrompt::hideTrayIcon()
{
    trayMenu->trayIcon()->setVisible(false);
}
