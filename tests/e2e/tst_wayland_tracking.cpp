#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "HeadlessCompositor.h"
#include "SessionProgram.h"
#include "TestHome.h"
#include "UploadedActivities.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString kTitleA = QString::fromUtf8("Larkspan e2e — Café 東京 🚀 שלום");
const QString kTitleB = QString::fromUtf8("Notizen – Größe ✍ Ελλάδα");
const QString kAppA = QStringLiteral("larkspan-e2e-a");
const QString kAppB = QStringLiteral("larkspan-e2e-b");
// XWayland's title is read as the X client sets it; plain text keeps the test about counting.
const QString kTitleX = QStringLiteral("Larkspan e2e XWayland terminal");
const QString kPrompt = QStringLiteral("Larkspan Manual Time Prompt");
const QString kLoginWindow = QStringLiteral("Please Login to Larkspan");
const QString kUser = QStringLiteral("e2e-wayland");
// Short, so that input the program failed to see would show as absence within the test.
constexpr int kIdleThresholdSecs = 15;

// The program's log without the upload requests that debug level writes in full.
QString withoutRequests(const QString& log)
{
    QStringList kept;
    for (const QString& line : log.split(QLatin1Char('\n'))) {
        if (!line.contains(QLatin1String("uploadReqJson")) && !line.contains(QLatin1String("read response")))
            kept << line.left(300);
    }
    return kept.join(QLatin1Char('\n'));
}

} // namespace

// The real program in a real headless sway session, started by the session as a user's
// login would, with native Wayland windows and input through the virtual keyboard.
class TestWaylandTracking : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QString missing = missingTools({"sway", "swaymsg", "swaybar", "foot", "wtype", "setpriv", "dbus-daemon",
                                              "dbus-send", "Xwayland", "xterm", "weston"});
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        // Qt's Wayland platform, for the program's own windows on it.
        if (!QFile::exists(QLibraryInfo::location(QLibraryInfo::PluginsPath)
                           + QStringLiteral("/platforms/libqwayland-generic.so")))
            QFAIL("qtwayland5 is missing (scripts/deps.sh installs it)");
    }

    void nativeWindowsAreTrackedUntilTheCompositorDies()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;
        HeadlessCompositor sway(home.path(), loggedInEnvironment(home, server, kUser, kIdleThresholdSecs));
        QVERIFY2(sway.isRunning(), qPrintable(sway.errorString()));
        QVERIFY(sway.exec(QStringLiteral("foot --title='%1' --app-id=%2 cat").arg(kTitleA, kAppA)));
        QVERIFY(sway.exec(QStringLiteral("foot --title='%1' --app-id=%2 cat").arg(kTitleB, kAppB)));
        QVERIFY(sway.exec(QStringLiteral("xterm -T '%1' -e cat").arg(kTitleX)));
        QVERIFY(sway.waitForWindow(kAppA));
        QVERIFY(sway.waitForWindow(kAppB));
        QVERIFY(sway.waitForWindow(QString(), kTitleX));

        QTemporaryDir prefix;
        const QString binary = programFor(sway, prefix);
        QVERIFY2(!binary.isEmpty(), "the session's user can neither reach the build tree nor a copy installed for it");
        const qint64 pid = startProgram(sway, home, binary);
        QVERIFY2(pid > 0, "the session did not start the program");
        // The user starts work once the program runs: its sampler takes nothing in its
        // first 3 seconds.
        QTest::qWait(4000);

        // A user at work: typing in one window, then in the other. Had the program not
        // seen this input, it would take the user for absent after the threshold, and the
        // next input would raise the manual time prompt.
        bool promptSeen = false;
        const auto typeIn = [&](const QString& criteria, int seconds) {
            if (!sway.focus(criteria))
                return Span();
            return typeEverySecond(sway, seconds,
                                   [&] { promptSeen = promptSeen || !sway.window(QString(), kPrompt).isEmpty(); });
        };
        const Span drivenA = typeIn(QStringLiteral("[app_id=\"%1\"]").arg(kAppA), 30);
        const Span drivenB = typeIn(QStringLiteral("[app_id=\"%1\"]").arg(kAppB), 24);
        // An XWayland window is a toplevel like the others, seen through the compositor only.
        const Span drivenX = typeIn(QStringLiteral("[title=\"^%1$\"]").arg(kTitleX), 15);
        QVERIFY2(drivenA.isValid() && drivenB.isValid() && drivenX.isValid(),
                 "sway did not focus the windows or took no keys");
        QVERIFY2(!promptSeen, "the manual time prompt came up while the user typed");

        // Away for longer than the threshold: the program's pass notices within 5 s.
        QTest::qWait((kIdleThresholdSecs + 8) * 1000);
        QVERIFY2(sway.window(QString(), kPrompt).isEmpty(), "a prompt came up without the user back");

        // The compositor dies: the program stores what it tracked and ends.
        sway.kill();
        QVERIFY2(waitUntilGone(pid, 30000), "the program outlived its session by 30 s");
        const QString log = home.readLog();
        QVERIFY2(log.contains(QLatin1String(
                     "CaptureAssembly - Wayland session, foreground window and input activity from the compositor: "
                     "zwlr_foreign_toplevel_manager_v1, org_kde_kwin_idle")),
                 qPrintable(log.left(4000)));
        QVERIFY2(log.contains(QLatin1String("tracked time stored.")), qPrintable(withoutRequests(log).right(4000)));

        // The last seconds of work were built by no periodic build yet: only the final
        // one at the compositor's death can have stored them.
        const QList<StoredLog> stored = storedTimeLogs(home);
        qInfo("%s", qPrintable(describe(stored)));
        bool lastWorkStored = false;
        for (const StoredLog& entry : stored) {
            lastWorkStored = lastWorkStored
                || (entry.appName == QLatin1String("xterm") && entry.title == kTitleX
                    && qAbs(entry.end.secsTo(drivenX.end)) <= 5);
        }
        QVERIFY2(lastWorkStored, qPrintable(describe(stored)));
        // The absence after the typing is an idle log, and only that absence.
        bool idleLogged = false;
        for (const StoredLog& entry : stored) {
            if (entry.appName != QLatin1String("@_idle_@"))
                continue;
            idleLogged = true;
            QVERIFY2(entry.start.secsTo(drivenX.end) <= 5, qPrintable(describe(stored)));
        }
        QVERIFY2(idleLogged, qPrintable(describe(stored)));

        // The next start, outside the session, sends what was stored; the server then
        // holds all of the session's work.
        const QJsonArray uploaded = uploadStored(sway, home, binary, server, kUser);
        const QString differences = differencesFromDriven(uploaded,
                                                          {{QStringLiteral("foot"), kTitleA, drivenA},
                                                           {QStringLiteral("foot"), kTitleB, drivenB},
                                                           {QStringLiteral("xterm"), kTitleX, drivenX}});
        QVERIFY2(differences.isEmpty(), qPrintable(differences));
        // Never one moment twice: the logs follow each other without overlap.
        QVERIFY2(withoutOverlap(uploaded), qPrintable(describe(uploaded)));
    }

    void ownWindowsTrayAndStoredTimeOnEitherQtPlatform_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("shell");
        QTest::addColumn<bool>("barLater");
        QTest::newRow("Qt on Wayland") << QStringLiteral("wayland") << QStringLiteral("xdg_shell") << false;
        QTest::newRow("Qt on XWayland") << QStringLiteral("xcb") << QStringLiteral("xwayland") << false;
        // The bar and the program start side by side in a session; the bar may come second.
        QTest::newRow("bar started after the program") << QStringLiteral("xcb") << QStringLiteral("xwayland") << true;
    }

    // A user of a sway session with a bar, whose Qt programs run on either platform: the
    // login window is a toplevel of the session, the tray icon sits in the bar through
    // StatusNotifierItem, also when the bar comes up after the program, and a compositor
    // that dies takes no tracked time with it (Qt's Wayland platform ends the process from
    // a thread of its own).
    void ownWindowsTrayAndStoredTimeOnEitherQtPlatform()
    {
        QFETCH(QString, platform);
        QFETCH(QString, shell);
        QFETCH(bool, barLater);
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        QProcessEnvironment env = home.environment();
        // No one logged in and no service: the login window asks.
        env.insert(QStringLiteral("LARKSPAN_SERVER_URL"), QStringLiteral("http://127.0.0.1:9"));
        env.insert(QStringLiteral("LARKSPAN_INGRESS_URL"), QStringLiteral("http://127.0.0.1:9"));
        const QByteArray bar = "bar {\n  position top\n}\n";
        HeadlessCompositor sway(home.path(), env, HeadlessCompositor::Kind::Sway, barLater ? QByteArray() : bar);
        QVERIFY2(sway.isRunning(), qPrintable(sway.errorString()));
        QVERIFY(sway.exec(QStringLiteral("foot --title='%1' --app-id=%2 cat").arg(kTitleA, kAppA)));
        QStringList items;
        if (!barLater)
            QTRY_VERIFY_WITH_TIMEOUT(sway.statusNotifierItems(&items), 10000);
        QVERIFY(sway.waitForWindow(kAppA));

        QTemporaryDir prefix;
        const QString binary = programFor(sway, prefix);
        QVERIFY2(!binary.isEmpty(), "the session's user can neither reach the build tree nor a copy installed for it");
        QVERIFY(sway.exec(QStringLiteral("QT_QPA_PLATFORM=%1 exec '%2'").arg(platform, binary)));
        QVERIFY2(sway.waitForWindow(QString(), kLoginWindow), "the login window did not map");
        QCOMPARE(sway.window(QString(), kLoginWindow).value(QLatin1String("shell")).toString(), shell);
        const qint64 pid = findProgram(binary, sway.uid());
        QVERIFY2(pid > 0, "the session did not start the program");
        if (barLater) {
            QFile config(home.path() + QStringLiteral("/sway.conf"));
            QVERIFY(config.open(QIODevice::Append));
            config.write(bar);
            config.close();
            sway.swaymsg({QStringLiteral("reload")});
        }
        const QString item = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(pid);
        QTRY_VERIFY_WITH_TIMEOUT(sway.statusNotifierItems(&items) && !items.filter(item).isEmpty(), 10000);

        // Work in the terminal once the sampler takes samples, then the compositor dies.
        QTest::qWait(2000);
        QVERIFY(sway.focus(QStringLiteral("[app_id=\"%1\"]").arg(kAppA)));
        QVERIFY2(typeEverySecond(sway, 6).isValid(), "sway took no keys");
        sway.kill();
        QVERIFY2(waitUntilGone(pid, 30000), "the program outlived its session by 30 s");
        const QString log = home.readLog();
        QVERIFY2(log.contains(QLatin1String("tracked time stored.")), qPrintable(log.right(3000)));
        qint64 stored = 0;
        for (const StoredLog& entry : storedTimeLogs(home)) {
            if (entry.appName == QLatin1String("foot") && entry.title == kTitleA)
                stored += entry.seconds();
        }
        QVERIFY2(stored >= 3, qPrintable(describe(storedTimeLogs(home))));
    }

    // A compositor that reveals neither the foreground window nor input activity: the
    // program says so once and tracks nothing rather than guess.
    void aSessionItCannotSeeIntoIsSaidAndNotTracked()
    {
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("maxInactiveSecs"), 5);
        }
        HeadlessCompositor weston(home.path(), home.environment(), HeadlessCompositor::Kind::Weston);
        QVERIFY2(weston.isRunning(), qPrintable(weston.errorString()));
        QTemporaryDir prefix;
        const QString binary = programFor(weston, prefix);
        QVERIFY2(!binary.isEmpty(), "the session's user can neither reach the build tree nor a copy installed for it");
        // Without XWayland and Qt's Wayland platform the windows stay off screen.
        const qint64 pid = startProgram(weston, home, binary, QStringLiteral("offscreen"));
        QVERIFY2(pid > 0, "the program did not start");
        // Long enough for passes that would judge absence after the 5-second threshold.
        QTest::qWait(12000);
        QVERIFY(::kill(static_cast<pid_t>(pid), SIGTERM) == 0);
        QVERIFY2(waitUntilGone(pid, 30000), "the program did not quit");

        const QString log = home.readLog();
        const QString notice = QStringLiteral(
            "CaptureAssembly - Wayland session, nothing is tracked: the compositor does not tell the foreground window "
            "(zwlr_foreign_toplevel_manager_v1), input activity (ext_idle_notifier_v1 or org_kde_kwin_idle) and a seat "
            "(wl_seat)");
        QVERIFY2(log.count(notice) == 1, qPrintable(log.left(4000)));
        // The notice reached the tray controller, which shows it as a balloon.
        QVERIFY2(log.indexOf(QLatin1String("onShowMessage..."), log.indexOf(notice)) > 0, qPrintable(log.right(3000)));
        QVERIFY2(!log.contains(QLatin1String("Detected window")), qPrintable(log.right(3000)));
        for (const StoredLog& entry : storedTimeLogs(home))
            QVERIFY2(entry.appName == QLatin1String("@_idle_@"), qPrintable(describe(storedTimeLogs(home))));
    }
};

LARKSPAN_TEST_MAIN(TestWaylandTracking, QCoreApplication)
#include "tst_wayland_tracking.moc"
