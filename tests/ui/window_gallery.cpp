// Shows each window in typical states on the current X display and saves a screenshot of
// each into the folder given as the first argument, named <window>-<language>.png. Run by
// scripts/screenshots.sh under Xvfb, openbox and a tray host (trayer), with the reference
// server it starts itself.
// Usage: window_gallery <output folder> [--language <locale, e.g. de>]   (default English)

#include "AppSignals.h"
#include "ConsoleWindow.h"
#include "LoginPrompt.h"
#include "DevServerProcess.h"
#include "FeedbackDialog.h"
#include "GraphicsSetup.h"
#include "LarkspanIcons.h"
#include "OfflineWindow.h"
#include "PrefDialog.h"
#include "SettingsKeys.h"
#include "SyncTestSupport.h"
#include "TestHome.h"
#include "TimeLogJson.h"
#include "UpdateWindow.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool shootArea(const QRect& area, const QString& path)
{
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool saved = !area.isEmpty() && shot.save(path);
    std::printf("%s %s (%dx%d)\n", saved ? "saved" : "FAILED", qPrintable(path), area.width(), area.height());
    return saved;
}

bool shoot(QWidget* window, const QString& path)
{
    window->raise();
    window->activateWindow();
    wait(800);
    // A window just shown may not have its title bar from the window manager yet; now and
    // then the manager misses a window shown right after another, until it is shown anew.
    for (int attempt = 0; attempt < 2 && window->frameGeometry() == window->geometry(); ++attempt) {
        for (int i = 0; i < 25 && window->frameGeometry() == window->geometry(); ++i)
            wait(100);
        if (window->frameGeometry() == window->geometry()) {
            window->hide();
            wait(300);
            window->show();
            window->raise();
            window->activateWindow();
            wait(800);
        }
    }
    return shootArea(window->frameGeometry(), path);
}

// Stands in for the browser: the gallery opens nothing.
class BrowserStandIn : public QObject
{
    Q_OBJECT
public slots:
    void open(const QUrl&) {}
};

QString utc(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMddHHmmss"));
}

// A working morning and afternoon, uploaded as the client would.
void uploadSampleDay(const DevServerProcess& server, const UserInfo& user)
{
    const QDateTime day(QDate::currentDate().addDays(-1), QTime(9, 0), Qt::LocalTime);
    struct Span {
        int startMin, endMin;
        const char* app;
        const char* title;
    };
    const Span spans[] = {
        {0, 42, "thunderbird", "Inbox - Mail"},
        {42, 131, "kate", "quarterly-report.md - Kate"},
        {131, 140, "@_idle_@", "@_idle_@"},
        {140, 205, "firefox-esr", "Budget review - Shared sheet - Mozilla Firefox"},
        {205, 265, "@_Meeting_@", "Planning with the design team"},
        {300, 420, "code", "TimeLogBuilder.cpp - larkspan - Visual Editor"},
    };
    QJsonArray logs;
    qint64 id = 1;
    for (const Span& s : spans)
        logs.append(timeLogJson(id++, utc(day.addSecs(s.startMin * 60)), utc(day.addSecs(s.endMin * 60)),
                                QString::fromUtf8(s.app), QString::fromUtf8(s.title)));
    QNetworkAccessManager manager;
    QNetworkRequest request(server.url(QStringLiteral("/v2/desktop/activity")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Authorization", "Bearer " + user.accessToken().toUtf8());
    QNetworkReply* reply = manager.post(request, uploadEnvelope(logs));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("sample upload: HTTP %d\n", reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    delete reply;
}

// Where the tray's start balloon is, when the tray draws it (no desktop notification
// service): the balloon helper's window, titled as the notice.
QRect balloon(const QString& title)
{
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   QStringLiteral("^%1$").arg(title), QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                   QStringLiteral("%@")});
    if (!xdotool.waitForFinished(5000) || xdotool.exitCode() != 0)
        return {};
    return XvfbSession::parseGeometry(xdotool.readAllStandardOutput());
}

QString translated(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_gallery <output folder> [--language <locale>]\n");
        return 2;
    }
    TestHome home;
    GraphicsSetup::configureBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationName(QStringLiteral("Larkspan"));
    AppSignals::init(&app);
    QApplication::setWindowIcon(LarkspanIcons::applicationIcon()); // as the program does
    const QStringList args = app.arguments();
    const int languageArg = args.indexOf(QStringLiteral("--language"));
    const QString language = languageArg > 0 ? args.value(languageArg + 1) : QStringLiteral("en");
    const QDir out(args.at(1));
    QDir().mkpath(out.path());
    const auto file = [&out, &language](const char* name) {
        return out.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(name), language));
    };
    int failures = 0;

    DevServerProcess server;
    if (!server.start()) {
        std::fprintf(stderr, "reference server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    SyncTest::useServer(server);
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");

    const UserInfo user = SyncTest::logInAndStore(server, QStringLiteral("dana"));
    uploadSampleDay(server, user);
    {
        QSettings settings;
        settings.setValue(Keys::language, language);
        settings.setValue(Keys::clientUuid, QStringLiteral("7A1D0C55-0B8E-4F5E-8E39-2C1B5D6A9F01"));
    }

    // The tray controller installs the language for every window built after it.
    LoginPrompt tray(nullptr, nullptr);
    QRect tip;
    for (int waited = 0; waited < 8000 && tip.width() <= 1; waited += 500) {
        wait(500);
        tip = balloon(translated("LoginPrompt", "Larkspan is now running"));
    }
    if (tip.width() > 1)
        failures += !shootArea(tip, file("tray-balloon"));
    else
        std::printf("no balloon drawn (a desktop notification service shows it)\n");

    tray.showLoginWindow(true);
    failures += !shoot(&tray, file("login-window"));
    tray.hide();

    {
        emit AppSignals::instance()->notifyUploaded();
        auto* icon = tray.findChild<QSystemTrayIcon*>();
        QMetaObject::invokeMethod(&tray, "showHideTrayMenu",
                                  Q_ARG(QSystemTrayIcon::ActivationReason, QSystemTrayIcon::Trigger));
        wait(800);
        QMenu* menu = icon->contextMenu();
        const QRect area = menu->geometry().united(icon->geometry()).adjusted(-6, -6, 6, 6);
        failures += !(menu->isVisible() && shootArea(area, file("tray-menu")));
        menu->hide();
    }
    {
        const QDateTime end = QDateTime::currentDateTime();
        OfflineWindow longIdle(end.addSecs(-(80 * 60 + 17)), end);
        longIdle.askForComment();
        longIdle.findChild<QLineEdit*>(QStringLiteral("txtComment"))
            ->setText(QStringLiteral("Call with the Berlin office"));
        failures += !shoot(&longIdle, file("manual-time-prompt"));
        OfflineWindow shortIdle(end.addSecs(-(12 * 60 + 5)), end);
        shortIdle.askForComment();
        failures += !shoot(&shortIdle, file("manual-time-prompt-short"));
    }

    {
        QSettings settings;
        settings.setValue(Keys::excludedAppNames, QStringList {"keepassxc", "signal-desktop"});
        settings.setValue(Keys::excludedWinTitles, QStringList {"Payroll", "Private Browsing"});
        settings.setValue(Keys::updateEnabled, true);
        PrefDialog preferences(nullptr, nullptr);
        preferences.show();
        auto* tabs = preferences.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        const char* names[] = {"preferences-general", "preferences-privacy", "preferences-update"};
        for (int i = 0; i < 3; ++i) {
            tabs->setCurrentIndex(i);
            failures += !shoot(&preferences, file(names[i]));
        }
    }

    {
        FeedbackDialog diagnostics;
        diagnostics.showDialog();
        failures += !shoot(&diagnostics, file("diagnostics"));
        diagnostics.findChild<QTextEdit*>(QStringLiteral("textEdit"))
            ->setPlainText(QStringLiteral("The tray icon vanished after lunch."));
        diagnostics.onFeedbackError(translated("HttpClient", "Failed to send diagnostics: Server error"));
        failures += !shoot(&diagnostics, file("diagnostics-error"));
    }

    {
        UpdateWindow update;
        update.showAvailable(
            QStringLiteral("2.9"), QString(AppConstants::version),
            QStringLiteral("<h3>Larkspan 2.9</h3><ul><li>Manual time can be split across two activities.</li>"
                           "<li>The tray menu shows when the next upload is due.</li>"
                           "<li>Fixes a delay in uploads after the computer wakes up.</li></ul>"));
        update.present();
        failures += !shoot(&update, file("update-available"));
        update.showDownloading(QStringLiteral("2.9"), 3400000, 8900000);
        failures += !shoot(&update, file("update-downloading"));
        update.showRefused(translated("AutoUpdaterWinSparkle",
                                      "The package's signature is not valid: %1. It was not published by "
                                      "Larkspan, or it was changed on the way.")
                               .arg(translated("PackageSignature", "it does not match Larkspan's signing key")));
        failures += !shoot(&update, file("update-refused"));
    }

    {
        ConsoleWindow console;
        console.openConsole(AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/") + user.refreshToken());
        wait(4000);
        failures += !shoot(&console, file("console"));
        // The help page opens in the user's browser; here it is seen through the same engine.
        // It is the server's page, the same in every language.
        if (language == QLatin1String("en")) {
            console.openConsole(AppConstants::serverBaseUrl() + QStringLiteral("/help"));
            console.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->show();
            wait(3000);
            failures += !shoot(&console, file("help-page"));
        }
    }
    return failures == 0 ? 0 : 1;
}

#include "window_gallery.moc"
