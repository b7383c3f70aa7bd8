// Shows each window in typical states on the current X display and saves a screenshot of
// each into the folder given as the first argument. Run by scripts/screenshots.sh under
// Xvfb and openbox, with the reference server it starts itself.

#include "AppSignals.h"
#include "ConsoleWindow.h"
#include "DevServerProcess.h"
#include "FeedbackDialog.h"
#include "GraphicsSetup.h"
#include "OfflineWindow.h"
#include "PrefDialog.h"
#include "SettingsKeys.h"
#include "SyncTestSupport.h"
#include "TestHome.h"
#include "TimeLogJson.h"
#include "UserInfo.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScreen>
#include <QSettings>
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

bool shoot(QWidget* window, const QString& path)
{
    window->raise();
    window->activateWindow();
    wait(800);
    const QRect frame = window->frameGeometry();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool saved = shot.save(path);
    std::printf("%s %s (%dx%d)\n", saved ? "saved" : "FAILED", qPrintable(path), frame.width(), frame.height());
    return saved;
}

QString utc(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyyMMddHHmmss"));
}

// A working morning and afternoon, uploaded as the client would.
void uploadSampleDay(const DevServerProcess& server, const UserInfo& user)
{
    const QDateTime day(QDate::currentDate().addDays(-1), QTime(9, 0), Qt::LocalTime);
    struct Span { int startMin, endMin; const char* app; const char* title; };
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

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_gallery <output folder>\n");
        return 2;
    }
    TestHome home;
    GraphicsSetup::configureBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationName(QStringLiteral("Larkspan"));
    AppSignals::init(&app);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    int failures = 0;

    DevServerProcess server;
    if (!server.start()) {
        std::fprintf(stderr, "reference server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    SyncTest::useServer(server);

    {
        const QDateTime end = QDateTime::currentDateTime();
        OfflineWindow longIdle(end.addSecs(-(80 * 60 + 17)), end);
        longIdle.askForComment();
        longIdle.findChild<QLineEdit*>(QStringLiteral("txtComment"))->setText(QStringLiteral("Call with the Berlin office"));
        failures += !shoot(&longIdle, out.filePath(QStringLiteral("manual-time-prompt.png")));
        OfflineWindow shortIdle(end.addSecs(-(12 * 60 + 5)), end);
        shortIdle.askForComment();
        failures += !shoot(&shortIdle, out.filePath(QStringLiteral("manual-time-prompt-short.png")));
    }

    {
        QSettings settings;
        settings.setValue(Keys::excludedAppNames, QStringList {"keepassxc", "signal-desktop"});
        settings.setValue(Keys::excludedWinTitles, QStringList {"Payroll", "Private Browsing"});
        settings.setValue(Keys::updateEnabled, true);
        PrefDialog preferences(nullptr, nullptr);
        preferences.show();
        auto* tabs = preferences.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        const char* names[] = {"preferences-general.png", "preferences-privacy.png", "preferences-update.png"};
        for (int i = 0; i < 3; ++i) {
            tabs->setCurrentIndex(i);
            failures += !shoot(&preferences, out.filePath(QLatin1String(names[i])));
        }
    }

    {
        FeedbackDialog diagnostics;
        diagnostics.showDialog();
        failures += !shoot(&diagnostics, out.filePath(QStringLiteral("diagnostics.png")));
        diagnostics.findChild<QTextEdit*>(QStringLiteral("textEdit"))->setPlainText(QStringLiteral("The tray icon vanished after lunch."));
        diagnostics.onFeedbackError(QStringLiteral("Failed to send diagnostics: Server error"));
        failures += !shoot(&diagnostics, out.filePath(QStringLiteral("diagnostics-error.png")));
    }

    {
        const UserInfo user = SyncTest::logInAndStore(server, QStringLiteral("dana"));
        uploadSampleDay(server, user);
        ConsoleWindow console;
        console.openConsole(AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/") + user.refreshToken());
        wait(4000);
        failures += !shoot(&console, out.filePath(QStringLiteral("console.png")));
        // The help page opens in the user's browser; here it is seen through the same engine.
        console.openConsole(AppConstants::serverBaseUrl() + QStringLiteral("/help"));
        console.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->show();
        wait(3000);
        failures += !shoot(&console, out.filePath(QStringLiteral("help-page.png")));
    }
    return failures == 0 ? 0 : 1;
}
