#include "AppSignals.h"
#include "DateTimeUtils.h"
#include "FeedbackDialog.h"
#include "LarkspanIcons.h"
#include "LoginPrompt.h"
#include "PrefDialog.h"
#include "PrivateLink.h"
#include "QtLog.h"
#include "SessionBus.h"
#include "SettingsKeys.h"
#include "SyncTestSupport.h"
#include "TestClock.h"
#include "TestHome.h"
#include "UserInfo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QUrlQuery>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage stateImage(const char* state)
{
    return iconImage(LarkspanIcons::trayIcon(QString::fromLatin1(state)));
}

void storeUser(bool loggedIn)
{
    UserInfo user;
    if (loggedIn) {
        user.setCvUserId(QStringLiteral("user-1"));
        user.setRefreshToken(QStringLiteral("rt_0123456789abcdef"));
    }
    user.save();
}

} // namespace

// Catches what the program hands to the desktop's browser.
// Addresses with a secret reach the browser as a private local page that forwards to them:
// this notes where each page forwards, and what it was handed.
class BrowserStandIn : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
    QList<QUrl> handed;
public slots:
    void open(const QUrl& url)
    {
        handed << url;
        if (!url.isLocalFile()) {
            opened << url;
            return;
        }
        QFile page(url.toLocalFile());
        const QByteArray html = page.open(QIODevice::ReadOnly) ? page.readAll() : QByteArray();
        static const QRegularExpression forward(QStringLiteral("http-equiv=\"refresh\" content=\"0; url=([^\"]*)\""));
        const QString target = forward.match(QString::fromUtf8(html)).captured(1);
        opened << QUrl::fromEncoded(QString(target).replace(QStringLiteral("&amp;"), QStringLiteral("&")).toLatin1());
    }
};

// Stands in for the desktop's notification service, on a bus connection of its own.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Notice {
        QString summary;
        QString body;
        int urgency;
        int timeout;
    };
    QList<Notice> received;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body, const QStringList&,
                const QVariantMap& hints, int timeout)
    {
        received << Notice {summary, body, hints.value(QStringLiteral("urgency")).toInt(), timeout};
        return uint(received.size());
    }
};

// The tray controller under the offscreen platform: tray states, the manual time prompt
// after idle, stored pauses, the language switch, where the menu opens, and the browser
// login against the reference server.
class TestLoginPrompt : public QObject
{
    Q_OBJECT
private:
    BrowserStandIn browser;
    std::unique_ptr<LoginPrompt> prompt;
    // A session bus of the test's own, so that a test can stop it as a hung desktop bus.
    std::unique_ptr<SessionBus> bus;

    AppSignals* hub() { return AppSignals::instance(); }
    QSystemTrayIcon* tray() { return prompt->findChild<QSystemTrayIcon*>(); }
    QAction* action(const char* name) { return prompt->findChild<QAction*>(QString::fromLatin1(name)); }
    QImage trayImage() { return iconImage(tray()->icon()); }
    QStringList pauseVisibility()
    {
        QStringList visible;
        for (const char* name : {"actionPause30Minutes", "actionPause1Hour", "actionPause2Hours",
                                 "actionPauseUntilTomorrow", "actionPauseIndefinitely"})
            visible << QString::fromLatin1(name)
                    + (action(name)->isVisible() ? QStringLiteral("=on") : QStringLiteral("=off"));
        return visible;
    }
    bool allPausesVisible(bool visible)
    {
        return !pauseVisibility()
                    .join(QLatin1Char(' '))
                    .contains(visible ? QStringLiteral("=off") : QStringLiteral("=on"));
    }
    QList<QWidget*> visibleOfflineWindows()
    {
        QList<QWidget*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("OfflineWindow") && widget->isVisible())
                windows << widget;
        }
        return windows;
    }

private slots:
    void initTestCase()
    {
        AppSignals::init(qApp);
        QtLog::init();
        QtLog::getConf().setLogLevel(QtDebugMsg);
        QtLog::getConf().setFileName(QStringLiteral("Larkspan.log"));
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "open");
        // Nothing listens there: a login check that slips through fails at once.
        qputenv("LARKSPAN_SERVER_URL", "http://127.0.0.1:9");

        bus = std::make_unique<SessionBus>();
        QVERIFY2(bus->isRunning(), qPrintable(bus->errorString()));
    }

    void cleanupTestCase() { bus.reset(); }

    void cleanup()
    {
        prompt.reset();
        QSettings().clear();
        iniSettings().remove(IniKeys::uploadDisabled);
        browser.opened.clear();
        browser.handed.clear();
    }

    void trayFollowsIdlePauseAndResume()
    {
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        QCOMPARE(trayImage(), stateImage("active"));
        QCOMPARE(action("actionStatus")->text(), QStringLiteral("Active"));
        QVERIFY(!action("actionResume")->isVisible());
        QVERIFY(allPausesVisible(true));

        emit hub()->idle(QDateTime::currentDateTimeUtc().addSecs(-700));
        QCOMPARE(trayImage(), stateImage("idle"));

        emit hub()->pause(30);
        QCOMPARE(trayImage(), stateImage("paused"));
        QCOMPARE(action("actionStatus")->text(), QStringLiteral("Paused"));
        QVERIFY(action("actionResume")->isVisible());
        QVERIFY2(allPausesVisible(false), qPrintable(pauseVisibility().join(QLatin1Char(' '))));

        emit hub()->resume();
        QCOMPARE(trayImage(), stateImage("active"));
        QCOMPARE(action("actionStatus")->text(), QStringLiteral("Active"));
        QVERIFY(!action("actionResume")->isVisible());
        QVERIFY(allPausesVisible(true));

        // The menu entries ask the event manager through the hub.
        QSignalSpy pauses(hub(), &AppSignals::pause);
        action("actionPauseUntilTomorrow")->trigger();
        action("actionPauseIndefinitely")->trigger();
        action("actionPause2Hours")->trigger();
        QCOMPARE(pauses.size(), 3);
        QCOMPARE(pauses.at(0).at(0).toInt(), -2);
        QCOMPARE(pauses.at(1).at(0).toInt(), -1);
        QCOMPARE(pauses.at(2).at(0).toInt(), 120);

        // Without a logged-in user a pause changes nothing in the tray.
        emit hub()->resume();
        UserInfo::load().logout();
        emit hub()->pause(-1);
        QCOMPARE(trayImage(), stateImage("active"));
        QCOMPARE(action("actionStatus")->text(), QStringLiteral("Active"));
        QVERIFY(!action("actionResume")->isVisible());
        QVERIFY(allPausesVisible(true));
    }

    void firstIdleStartOpensTheManualTimePrompt()
    {
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        const QDateTime first = QDateTime::currentDateTimeUtc().addSecs(-3600);
        const QDateTime second = first.addSecs(5);
        const QDateTime back = first.addSecs(1800);
        emit hub()->idle(first);
        emit hub()->idle(second);
        emit hub()->foundRecentUserEvents(back);

        QCOMPARE(visibleOfflineWindows().size(), 1);
        QWidget* offline = visibleOfflineWindows().first();
        const QString question = offline->findChild<QLabel*>(QStringLiteral("labelQuestion"))->text();
        QVERIFY2(question.contains(DateTimeUtils::toLocalTimeString(first, true)), qPrintable(question));
        QVERIFY2(!question.contains(DateTimeUtils::toLocalTimeString(second, true)), qPrintable(question));
        QCOMPARE(trayImage(), stateImage("notify"));

        // Activity again without a new idle period opens nothing more.
        emit hub()->foundRecentUserEvents(back.addSecs(5));
        QCOMPARE(visibleOfflineWindows().size(), 1);

        // Closing the prompt keeps the notice until the user is active again.
        offline->close();
        QTRY_VERIFY(visibleOfflineWindows().isEmpty());
        QCOMPARE(trayImage(), stateImage("notify"));
        emit hub()->resume();
        QCOMPARE(trayImage(), stateImage("active"));

        // With the prompt switched off, idle time is not offered.
        QSettings().setValue(Keys::offlineEnabled, false);
        emit hub()->idle(first);
        emit hub()->foundRecentUserEvents(back);
        QVERIFY(visibleOfflineWindows().isEmpty());
    }

    // A pause until tomorrow stored on 13 March, and a start at a local time.
    void storedPauseAtStart_data()
    {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<bool>("paused");
        QTest::newRow("the same evening") << QDateTime(QDate(2024, 3, 13), QTime(23, 59, 59), Qt::LocalTime) << true;
        QTest::newRow("the next midnight") << QDateTime(QDate(2024, 3, 14), QTime(0, 0), Qt::LocalTime) << false;
    }

    void storedPauseAtStart()
    {
        QFETCH(QDateTime, start);
        QFETCH(bool, paused);
        storeUser(true);
        QSettings().setValue(Keys::pauseUntilTomorrow, QStringLiteral("20240313"));
        TestClock clock(start);
        QSignalSpy pauses(hub(), &AppSignals::pause);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        if (paused) {
            QCOMPARE(pauses.size(), 1);
            QCOMPARE(pauses.first().first().toInt(), -2);
            QCOMPARE(trayImage(), stateImage("paused"));
        } else {
            QCOMPARE(pauses.size(), 0);
            QCOMPARE(trayImage(), stateImage("active"));
        }
        // The tray only reads the key; the event manager owns it.
        QVERIFY(QSettings().contains(Keys::pauseUntilTomorrow));
    }

    void languageSwitchRetranslatesTheTray()
    {
        iniSettings().setValue(IniKeys::uploadDisabled, true);
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        QCOMPARE(action("actionLastSynced")->text(), QStringLiteral("Upload disabled"));
        emit hub()->pause(-1);

        // The compiled translations lie beside the executable, not in the test's directory.
        emit hub()->languageChanged(QStringLiteral("de"));
        const QString german = QCoreApplication::translate("LoginPrompt", "Open My Console");
        QVERIFY2(german != QLatin1String("Open My Console"), "no German translation was loaded");
        QCOMPARE(action("actionOpenConsole")->text(), german);
        QCOMPARE(action("actionLastSynced")->text(), QCoreApplication::translate("LoginPrompt", "Upload disabled"));
        QCOMPARE(action("actionStatus")->text(), QCoreApplication::translate("LoginPrompt", "Paused"));
        QCOMPARE(prompt->windowTitle(), QCoreApplication::translate("LoginPrompt", "Please Login to Larkspan"));
        // The menu is rebuilt in the same order, with the new texts.
        const QList<QAction*> entries = tray()->contextMenu()->actions();
        QCOMPARE(entries.first(), action("actionOpenConsole"));
        QCOMPARE(entries.last()->text(), QCoreApplication::translate("LoginPrompt", "Quit Larkspan"));
        QCOMPARE(entries.size(), 19);
        // The logo stays a picture.
        QVERIFY(prompt->findChild<QLabel*>(QStringLiteral("labelLogo"))->pixmap(Qt::ReturnByValue).isNull() == false);

        emit hub()->languageChanged(QStringLiteral("en"));
        QCOMPARE(action("actionOpenConsole")->text(), QStringLiteral("Open My Console"));
        QCOMPARE(action("actionLastSynced")->text(), QStringLiteral("Upload disabled"));
    }

    void languageChosenInPreferencesRetranslatesOpenWindows()
    {
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        action("actionPreferences")->trigger();
        action("actionSendDiagnostics")->trigger();
        const QDateTime idleStart = QDateTime::currentDateTime().addSecs(-1800);
        emit hub()->idle(idleStart);
        emit hub()->foundRecentUserEvents(QDateTime::currentDateTime());
        auto* preferences = prompt->findChild<PrefDialog*>();
        auto* diagnostics = prompt->findChild<FeedbackDialog*>();
        QVERIFY(preferences && preferences->isVisible());
        QVERIFY(diagnostics && diagnostics->isVisible());
        QCOMPARE(visibleOfflineWindows().size(), 1);
        QWidget* manualTime = visibleOfflineWindows().first();

        // The person picks German in the preferences: every open window and the tray menu
        // change at once; the prompt still asks about its own period.
        auto* languages = preferences->findChild<QComboBox*>(QStringLiteral("comboLanguage"));
        languages->setCurrentIndex(languages->findData(QLocale(QLocale::German, QLocale::AnyCountry).name()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        const QString title = QCoreApplication::translate("PrefDialog", "Larkspan Preferences");
        QVERIFY2(title != QLatin1String("Larkspan Preferences"), "no German translation was loaded");
        QCOMPARE(preferences->windowTitle(), title);
        QCOMPARE(diagnostics->windowTitle(), QCoreApplication::translate("FeedbackDialog", "Send Diagnostics"));
        QCOMPARE(manualTime->windowTitle(),
                 QCoreApplication::translate("OfflineWindow", "Larkspan Manual Time Prompt"));
        QVERIFY(manualTime->findChild<QLabel*>(QStringLiteral("labelQuestion"))
                    ->text()
                    .contains(DateTimeUtils::toLocalTimeString(idleStart, true)));
        QCOMPARE(action("actionPreferences")->text(), QCoreApplication::translate("LoginPrompt", "Preferences..."));

        languages->setCurrentIndex(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        QCOMPARE(preferences->windowTitle(), QStringLiteral("Larkspan Preferences"));
        QCOMPARE(action("actionPreferences")->text(), QStringLiteral("Preferences..."));
    }

    void consoleLinkKeepsTheTokenOutOfTheLog()
    {
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        action("actionOpenConsole")->trigger();
        // The browser gets the whole link; the log, which travels with diagnostics, does not.
        QCOMPARE(browser.opened.size(), 1);
        QCOMPARE(browser.opened.first().toString(),
                 QStringLiteral("http://127.0.0.1:9/console/login/r/rt_0123456789abcdef"));
        // The browser's command line names a page only the user can read, never the token.
        const QUrl handed = browser.handed.first();
        QVERIFY(handed.isLocalFile());
        QVERIFY(!handed.toString().contains(QStringLiteral("rt_0123456789abcdef")));
        QCOMPARE(int(QFile::permissions(handed.toLocalFile()) & 0x0077), 0);
        QCOMPARE(QFileInfo(handed.toLocalFile()).dir().path(), PrivateLink::folder());
        QCOMPARE(int(QFile::permissions(PrivateLink::folder()) & 0x0077), 0);
        QtLog::getConf().flush();
        QFile log(QtLog::getConf().getLogFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("Built console URL: http://127.0.0.1:9/console/login/r/rt_012..."));
        QVERIFY(!text.contains("rt_0123456789abcdef"));

        // Nobody logged in: nothing to open.
        UserInfo::load().logout();
        action("actionOpenConsole")->trigger();
        QCOMPARE(browser.opened.size(), 1);
    }

    // Every notice goes away by itself after 10 s, errors too, and a desktop whose bus hangs
    // does not freeze the tray.
    void noticesExpireAndNeverWaitForTheBus()
    {
        QDBusConnection connection =
            QDBusConnection::connectToBus(bus->address(), QStringLiteral("notification-service"));
        NotificationService service;
        QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        QMetaObject::invokeMethod(prompt.get(), "onShowError", Q_ARG(QString, QStringLiteral("Larkspan")),
                                  Q_ARG(QString, QStringLiteral("Upload failed: <quota>")));
        QTRY_COMPARE(service.received.size(), 2);
        QCOMPARE(service.received.at(0).summary, QStringLiteral("Larkspan is now running"));
        QCOMPARE(service.received.at(1).body, QStringLiteral("Upload failed: &lt;quota&gt;"));
        for (const NotificationService::Notice& notice : service.received) {
            QCOMPARE(notice.urgency, 1);
            QCOMPARE(notice.timeout, 10000);
        }

        // The bus stops answering, as a hung session does.
        QVERIFY(::kill(pid_t(bus->processId()), SIGSTOP) == 0);
        QElapsedTimer elapsed;
        elapsed.start();
        QMetaObject::invokeMethod(prompt.get(), "onShowMessage", Q_ARG(QString, QStringLiteral("Larkspan")),
                                  Q_ARG(QString, QStringLiteral("Logged in successfully.")));
        const qint64 waited = elapsed.elapsed();
        ::kill(pid_t(bus->processId()), SIGCONT);
        QVERIFY2(waited < 1000, qPrintable(QStringLiteral("the tray waited %1 ms for the bus").arg(waited)));
        QTRY_COMPARE(service.received.size(), 3);
        prompt.reset();
        connection.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-service"));
    }

    void trayMenuOpensOnScreen()
    {
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        // This tray reports no icon geometry, like a status notifier host.
        QVERIFY(!tray()->geometry().isValid() || tray()->geometry().isEmpty());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QMenu* menu = tray()->contextMenu();
        for (const QPoint& pointer : {QPoint(300, 200), screen.bottomRight() - QPoint(5, 5)}) {
            QCursor::setPos(pointer);
            QMetaObject::invokeMethod(prompt.get(), "showHideTrayMenu",
                                      Q_ARG(QSystemTrayIcon::ActivationReason, QSystemTrayIcon::Trigger));
            QVERIFY(menu->isVisible());
            QVERIFY2(screen.contains(menu->geometry()),
                     qPrintable(QStringLiteral("%1,%2 %3x%4")
                                    .arg(menu->x())
                                    .arg(menu->y())
                                    .arg(menu->width())
                                    .arg(menu->height())));
            QVERIFY(menu->geometry().adjusted(-1, -1, 1, 1).contains(pointer));
            // Whole: every entry within the menu's width, and each one the keyboard reaches
            // comes into view (a menu taller than the screen scrolls).
            for (QAction* entry : menu->actions()) {
                if (!entry->isVisible() || entry->isSeparator())
                    continue;
                if (entry->isEnabled())
                    menu->setActiveAction(entry);
                const QRect place = menu->actionGeometry(entry);
                const bool inView = entry->isEnabled() ? menu->rect().contains(place)
                                                       : place.left() >= 0 && place.right() < menu->width();
                QVERIFY2(inView,
                         qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 in %6x%7")
                                        .arg(entry->objectName())
                                        .arg(place.x())
                                        .arg(place.y())
                                        .arg(place.width())
                                        .arg(place.height())
                                        .arg(menu->width())
                                        .arg(menu->height())));
            }
            menu->hide();
        }
        // While the login window is up, a click on the icon only hides the menu.
        prompt->showLoginWindow(false);
        QMetaObject::invokeMethod(prompt.get(), "showHideTrayMenu",
                                  Q_ARG(QSystemTrayIcon::ActivationReason, QSystemTrayIcon::Trigger));
        QVERIFY(!menu->isVisible());
    }

    void browserLoginStoresTheUser()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--login-poll-secs"), QStringLiteral("20")}),
                 qPrintable(server.errorString()));
        SyncTest::useServer(server);
        const QString clientUuid = QStringLiteral("7A1D0C55-0B8E-4F5E-8E39-2C1B5D6A9F01");
        QSettings().setValue(Keys::clientUuid, clientUuid);
        storeUser(false);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);

        // What the program assembly does for a user who is not logged in.
        prompt->setTrayActionsEnabled(false);
        prompt->openLoginPage();
        prompt->showLoginWindow(true);
        QVERIFY(prompt->isVisible());
        QVERIFY(!action("actionOpenConsole")->isEnabled());
        QVERIFY(!action("actionPause30Minutes")->isEnabled());
        QCOMPARE(browser.opened.size(), 1);
        const QUrl loginUrl = browser.opened.first();
        QCOMPARE(loginUrl.path(), QStringLiteral("/console/"));
        QCOMPARE(QUrlQuery(loginUrl).queryItemValue(QStringLiteral("lkCuid")), clientUuid);
        // Someone without a browser can copy the address from the window.
        QVERIFY(prompt->findChild<QLabel*>(QStringLiteral("labelLoginAddress"))
                    ->text()
                    .contains(QStringLiteral("href=\"%1\"").arg(loginUrl.toString().toHtmlEscaped())));
        QVERIFY(
            prompt->findChild<QLabel*>(QStringLiteral("labelInfo"))->text().contains(QLatin1String("We've opened")));

        // The person presses the page's button; the one pending status request returns.
        QByteArray page;
        QCOMPARE(SyncTest::request("GET", loginUrl, &page), 200);
        QVERIFY(page.contains("action=\"/console/login\""));
        QNetworkAccessManager manager;
        QNetworkRequest form(server.url(QStringLiteral("/console/login")));
        form.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
        QNetworkReply* reply = manager.post(form, "lkCuid=" + clientUuid.toLatin1() + "&user=tray-user");
        QTRY_VERIFY(reply->isFinished());
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        delete reply;

        QTRY_VERIFY_WITH_TIMEOUT(UserInfo::load().isLoggedIn(), 10000);
        QCOMPARE(UserInfo::load().cvUserId(), QStringLiteral("tray-user"));
        QVERIFY(!prompt->isVisible());
        QVERIFY(action("actionOpenConsole")->isEnabled());
        QVERIFY(action("actionPause30Minutes")->isEnabled());
        QCOMPARE(trayImage(), stateImage("active"));
        // The fresh refresh token is exchanged at once, so the next upload pass can upload.
        QTRY_VERIFY_WITH_TIMEOUT(UserInfo::load().isAccessTokenValid(), 10000);
    }

    void failedLoginCheckShowsTheLoginWindow()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--fail"), QStringLiteral("loginStatus:500")}),
                 qPrintable(server.errorString()));
        SyncTest::useServer(server);
        storeUser(true);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        prompt->openLoginPage();
        QVERIFY(!prompt->isVisible());
        // The user is logged out locally and asked to log in again.
        QTRY_VERIFY_WITH_TIMEOUT(prompt->isVisible(), 10000);
        QVERIFY(!UserInfo::load().isLoggedIn());
        QVERIFY(prompt->findChild<QLabel*>(QStringLiteral("labelInfo"))
                    ->text()
                    .startsWith(QLatin1String("Larkspan needs your login details. Press")));
        // The window asks again: the button opens the login page once more.
        prompt->findChild<QPushButton*>(QStringLiteral("btnLogin"))->click();
        QCOMPARE(browser.opened.size(), 2);
    }

    // The browser's page was opened, but after half a minute the user has still not logged
    // in: the window comes back, so someone whose browser never showed the page can act.
    void aLoginPendingOverHalfAMinuteShowsTheWindowAgain()
    {
        QTcpServer silent; // takes the status request and never answers it
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        qputenv("LARKSPAN_SERVER_URL", "http://127.0.0.1:" + QByteArray::number(silent.serverPort()));
        TestClock clock;
        storeUser(false);
        prompt = std::make_unique<LoginPrompt>(nullptr, nullptr);
        prompt->openLoginPage();
        QVERIFY(!prompt->isVisible());
        clock.advanceSecs(30);
        emit hub()->loginRequired();
        QVERIFY(!prompt->isVisible());
        clock.advanceSecs(1);
        emit hub()->loginRequired();
        QVERIFY(prompt->isVisible());
        QVERIFY(prompt->findChild<QLabel*>(QStringLiteral("labelInfo"))
                    ->text()
                    .startsWith(QLatin1String("Larkspan needs your login details. Press")));
        prompt.reset();
        qputenv("LARKSPAN_SERVER_URL", "http://127.0.0.1:9");
    }
};

LARKSPAN_TEST_MAIN(TestLoginPrompt, QApplication)
#include "tst_loginprompt.moc"
