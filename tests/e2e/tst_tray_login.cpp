#include "DevServerProcess.h"
#include "LarkspanRun.h"
#include "TestHome.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

const QString kLoginTitle = QStringLiteral("^Please Login to Larkspan$");
const QString kPreferencesTitle = QStringLiteral("^Larkspan Preferences$");

bool windowShown(const XvfbSession& x, const QString& title)
{
    return !x.windowId(title).isEmpty();
}

// The program's shown windows larger than its tray icon (the menu, the balloon, windows).
QList<QRect> programWindows(const XvfbSession& x)
{
    QList<QRect> windows;
    for (const QRect& rect : x.shownWindows(QStringLiteral("Larkspan"))) {
        if (rect.height() > 40)
            windows << rect;
    }
    return windows;
}

// Whether the tray menu is up: a shown window of the program taller than the tray icon.
bool trayMenuShown(const XvfbSession& x)
{
    for (const QRect& window : programWindows(x)) {
        if (window.height() > 100)
            return true;
    }
    return false;
}

// How many pixels of the tray panel are close to the given colour.
int pixelsLike(const XvfbSession& x, const QRect& area, QColor colour)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/root.png");
    if (x.run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file}, 10000) != 0)
        return -1;
    const QImage image(file);
    int count = 0;
    for (int py = area.top(); py <= area.bottom(); ++py) {
        for (int px = area.left(); px <= area.right(); ++px) {
            const QColor c = image.pixelColor(px, py);
            if (qAbs(c.red() - colour.red()) < 30 && qAbs(c.green() - colour.green()) < 30
                && qAbs(c.blue() - colour.blue()) < 30)
                ++count;
        }
    }
    return count;
}

QString loggedInUser()
{
    UserInfo user;
    user.setCvUserId(QStringLiteral("e2e-tray"));
    user.setRefreshToken(QStringLiteral("rt_e2e_tray_0123456789"));
    return user.toJson();
}

// The tests run offscreen; the program here shows its windows and tray icon on the X server.
const QString kOnScreen = QStringLiteral("QT_QPA_PLATFORM=xcb");
const QStringList kNoService {kOnScreen, QStringLiteral("LARKSPAN_SERVER_URL=http://127.0.0.1:9"),
                              QStringLiteral("LARKSPAN_INGRESS_URL=http://127.0.0.1:9")};

} // namespace

// The real program with a tray host on a private X server: the login a person does in the
// browser, the tray's paused state, and which windows end the program when closed.
class TestTrayLogin : public QObject
{
    Q_OBJECT
private slots:
    void freshUserLogsInThroughTheBrowser()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QVERIFY(x.startTray());
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
        const QStringList env {kOnScreen, QStringLiteral("LARKSPAN_SERVER_URL=") + base,
                               QStringLiteral("LARKSPAN_INGRESS_URL=") + base};

        // First run: the person does not log in. The login page was opened in the browser,
        // the login window asks, and the tray icon is there; what they do is kept locally.
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        auto first = home.start(env);
        QTRY_VERIFY_WITH_TIMEOUT(windowShown(x, kLoginTitle), 30000);
        QCOMPARE(home.openedAddresses().size(), 1);
        const QString clientUuid = home.setting(QStringLiteral("clientUuid")).toString();
        QCOMPARE(home.openedAddresses().first(), base + QStringLiteral("/console/?lkCuid=") + clientUuid);
        QTRY_VERIFY_WITH_TIMEOUT(x.trayPanel().width() > 0 && pixelsLike(x, x.trayPanel(), QColor(91, 63, 208)) > 40,
                                 30000);
        for (int step = 0; step < 8; ++step) {
            x.xdotool({QStringLiteral("key"), QStringLiteral("shift")});
            x.xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QString::number(step % 2 ? 9 : -9),
                       QStringLiteral("4")});
            QTest::qWait(600);
        }
        QVERIFY(stopWithSignal(*first, SIGTERM) >= 0);
        QCOMPARE(first->exitCode(), 0);
        QVERIFY(!UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString()).isLoggedIn());

        // Second run: the person presses the page's login button. The one pending status
        // check completes, the user is stored, the window goes away, the tray's entries are
        // enabled and the first upload pass sends what was tracked.
        auto second = home.start(env + QStringList {QStringLiteral("LARKSPAN_E2E_LOGIN_USER=e2e-login")});
        QTRY_VERIFY_WITH_TIMEOUT(
            UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString()).isLoggedIn(), 30000);
        QCOMPARE(UserInfo::fromJson(home.setting(QStringLiteral("userInfoJson")).toString()).cvUserId(),
                 QStringLiteral("e2e-login"));
        QTRY_VERIFY_WITH_TIMEOUT(!windowShown(x, kLoginTitle), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(
            !DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=e2e-login")))
                 .value(QStringLiteral("activities"))
                 .toArray()
                 .isEmpty(),
            20000);
        QVERIFY(stopWithSignal(*second, SIGTERM) >= 0);
        QCOMPARE(second->exitCode(), 0);
        const QString log = home.readLog();
        const auto at = [&log](const char* pattern) {
            return log.indexOf(QRegularExpression(QString::fromLatin1(pattern)));
        };
        QVERIFY(at("setTrayActionsEnabled:\\s+false") >= 0);
        QVERIFY(at("onLoginSuccess - cvUserId:\\s+e2e-login") >= 0);
        QVERIFY(at("setTrayActionsEnabled:\\s+true") > at("onLoginSuccess - cvUserId:\\s+e2e-login"));
        QCOMPARE(log.count(QStringLiteral("doCheckLoginStatus: url=")), 2); // one per run
    }

    void storedPauseShowsThePausedIcon()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QVERIFY(x.startTray());
        LarkspanHome home;
        home.storeUserInfo(loggedInUser());
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("pauseUntilTomorrow"),
                              QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
        }
        auto program = home.start(kNoService);
        // Amber: the paused icon; none of the active icon's violet.
        QTRY_VERIFY_WITH_TIMEOUT(x.trayPanel().width() > 0 && pixelsLike(x, x.trayPanel(), QColor(232, 148, 0)) > 40,
                                 30000);
        QCOMPARE(pixelsLike(x, x.trayPanel(), QColor(91, 63, 208)), 0);
        QVERIFY(!windowShown(x, kLoginTitle));
        QVERIFY(home.openedAddresses().isEmpty());
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        QCOMPARE(program->exitCode(), 0);
    }

    void onlyTheLoginWindowEndsTheProgram()
    {
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        QVERIFY(x.startTray());
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        home.storeUserInfo(loggedInUser());
        auto program = home.start(kNoService);
        QTRY_VERIFY_WITH_TIMEOUT(x.trayPanel().width() > 0 && pixelsLike(x, x.trayPanel(), QColor(91, 63, 208)) > 40,
                                 30000);
        // Without a notification service the start balloon is the program's own, and it
        // points at the icon in the tray at the top right, not at the screen's corner.
        const QRect tray = x.trayPanel();
        QTRY_VERIFY_WITH_TIMEOUT(!programWindows(x).isEmpty(), 10000);
        const QRect balloon = programWindows(x).first();
        QVERIFY2(balloon.right() >= tray.left() && balloon.top() <= tray.bottom() + 30,
                 qPrintable(QStringLiteral("balloon at %1,%2 %3x%4, tray at %5,%6")
                                .arg(balloon.x())
                                .arg(balloon.y())
                                .arg(balloon.width())
                                .arg(balloon.height())
                                .arg(tray.x())
                                .arg(tray.y())));
        // Gone by itself after 10 s.
        QTRY_VERIFY_WITH_TIMEOUT(programWindows(x).isEmpty(), 15000);
        // A process of its own drew it: the program, at rest all day, has loaded no font.
        QFile maps(QStringLiteral("/proc/%1/maps").arg(program->processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        for (const char* font : {".ttf", ".otf", ".pfb", ".pcf"}) {
            const int at = mapped.indexOf(font);
            QVERIFY2(at < 0, mapped.mid(mapped.lastIndexOf('\n', at) + 1, 200).constData());
        }

        // "Preferences..." from the tray menu: a click on the icon, then the keyboard
        // (the entries before it that take focus: the console and the five pauses).
        const QRect panel = x.trayPanel();
        QVERIFY(!trayMenuShown(x));
        QVERIFY(x.xdotool({QStringLiteral("mousemove"), QString::number(panel.center().x()),
                           QString::number(panel.center().y()), QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_VERIFY_WITH_TIMEOUT(trayMenuShown(x), 30000);
        for (int i = 0; i < 7; ++i)
            x.xdotool({QStringLiteral("key"), QStringLiteral("Down")});
        x.xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QTRY_VERIFY_WITH_TIMEOUT(windowShown(x, kPreferencesTitle), 30000);

        // The window manager's close (Alt+F4 in openbox) hides the preferences; the
        // program, now without any visible window, keeps running.
        QVERIFY(x.closeWindow(kPreferencesTitle));
        QTRY_VERIFY_WITH_TIMEOUT(!windowShown(x, kPreferencesTitle), 30000);
        QTest::qWait(1500);
        QCOMPARE(program->state(), QProcess::Running);

        // Logged out, the login window comes back at the next start; closing it ends Larkspan.
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        home.storeUserInfo(UserInfo().toJson());
        auto again = home.start(kNoService);
        // Shown and still shown a moment later: while the program starts on a busy machine the
        // window may be mapped again once its place is known.
        const auto shownSteadily = [&x] {
            return windowShown(x, kLoginTitle) && (QTest::qWait(500), windowShown(x, kLoginTitle));
        };
        QTRY_VERIFY_WITH_TIMEOUT(shownSteadily(), 30000);
        QVERIFY(x.closeWindow(kLoginTitle));
        QVERIFY(again->waitForFinished(10000));
        QCOMPARE(again->exitStatus(), QProcess::NormalExit);
        QCOMPARE(again->exitCode(), 0);
        QVERIFY(home.readLog().contains(QLatin1String("EventManager has been terminated.")));
    }

    // A desktop without any tray: starting the program again from the application menu is
    // the way in. The second start ends as before, and the running one shows its menu as
    // a small window at the pointer, in the user's language.
    void startedAgainShowsTheMenuAtThePointer_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("German") << "de";
    }

    void startedAgainShowsTheMenuAtThePointer()
    {
        QFETCH(QString, language);
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        home.storeUserInfo(loggedInUser());
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("language"), language);
        }
        auto first = home.start(kNoService);
        // Listening for later starts: the socket beside the instance lock.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home.configDir() + QStringLiteral("/Larkspan.socket")), 30000);
        // The program's own start balloon, drawn without a tray, goes away by itself.
        QTRY_VERIFY_WITH_TIMEOUT(programWindows(x).isEmpty(), 20000);

        const QPoint pointer(420, 310);
        QVERIFY(x.xdotool({QStringLiteral("mousemove"), QString::number(pointer.x()), QString::number(pointer.y())}));
        auto second = home.start(kNoService);
        QVERIFY(second->waitForFinished(20000));
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(home.readLog().count(QLatin1String("A Larkspan instance is already running, quit now.")), 1);
        QTRY_VERIFY_WITH_TIMEOUT(trayMenuShown(x), 15000);
        const QRect menu = programWindows(x).constFirst();
        QVERIFY2((menu.topLeft() - pointer).manhattanLength() < 40,
                 qPrintable(QStringLiteral("menu at %1,%2").arg(menu.x()).arg(menu.y())));

        // Drawn, with text on it: dark pixels on the menu's light ground.
        QTemporaryDir dir;
        const QString shot = dir.path() + QStringLiteral("/root.png");
        QCOMPARE(x.run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shot}, 10000), 0);
        const QImage image = QImage(shot).copy(menu);
        const QString keep = qEnvironmentVariable("LARKSPAN_E2E_SCREENSHOTS");
        if (!keep.isEmpty())
            image.save(keep + QStringLiteral("/menu-at-pointer-%1.png").arg(language));
        int dark = 0;
        for (int py = 0; py < image.height(); ++py) {
            for (int px = 0; px < image.width(); ++px)
                dark += qGray(image.pixel(px, py)) < 80;
        }
        QVERIFY2(dark > 200, qPrintable(QString::number(dark)));

        // Escape closes it; the program runs on and answers the next start as well.
        x.xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        QTRY_VERIFY_WITH_TIMEOUT(!trayMenuShown(x), 10000);
        auto third = home.start(kNoService);
        QVERIFY(third->waitForFinished(20000));
        QTRY_VERIFY_WITH_TIMEOUT(trayMenuShown(x), 15000);
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(stopWithSignal(*first, SIGTERM) >= 0);
        QCOMPARE(first->exitCode(), 0);
    }
};

LARKSPAN_TEST_MAIN(TestTrayLogin, QCoreApplication)
#include "tst_tray_login.moc"
