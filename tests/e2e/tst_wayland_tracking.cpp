#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "HeadlessCompositor.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
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

// The program the session started, found by its executable and its user: other tests
// beside this one run the same executable as root.
qint64 findProgram(const QString& binary, uint uid)
{
    const QString wanted = QFileInfo(binary).canonicalFilePath();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        const QString dir = QStringLiteral("/proc/") + pid;
        if (pid.toLongLong() > 0 && QFileInfo(dir).ownerId() == uid
            && QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget() == wanted)
            return pid.toLongLong();
    }
    return 0;
}

bool waitUntilGone(qint64 pid, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly) || status.readAll().contains("State:\tZ"))
            return true;
        QTest::qWait(100);
    }
    return false;
}

struct Span {
    QDateTime start;
    QDateTime end;
    qint64 seconds() const { return start.secsTo(end); }
};

QDateTime instant(const QJsonObject& activity, const char* key)
{
    QDateTime time =
        QDateTime::fromString(activity.value(QLatin1String(key)).toString(), QStringLiteral("yyyyMMddHHmmss"));
    time.setTimeSpec(Qt::UTC);
    return time;
}

// Seconds per window on the server.
qint64 uploadedSeconds(const QJsonArray& activities, const QString& title, const QString& app = QStringLiteral("foot"))
{
    qint64 total = 0;
    for (const QJsonValue& value : activities) {
        const QJsonObject activity = value.toObject();
        if (activity.value(QLatin1String("app_name")).toString() == app
            && activity.value(QLatin1String("activity_description")).toString() == title)
            total += instant(activity, "start_time").secsTo(instant(activity, "end_time"));
    }
    return total;
}

QList<Span> spansOf(const QJsonArray& activities)
{
    QList<Span> spans;
    for (const QJsonValue& value : activities)
        spans << Span {instant(value.toObject(), "start_time"), instant(value.toObject(), "end_time")};
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    return spans;
}

QString describe(const QJsonArray& activities)
{
    QStringList rows;
    for (const QJsonValue& value : activities) {
        const QJsonObject activity = value.toObject();
        rows << QStringLiteral("%1 %2|%3|%4 s")
                    .arg(activity.value(QLatin1String("start_time")).toString(),
                         activity.value(QLatin1String("app_name")).toString(),
                         activity.value(QLatin1String("activity_description")).toString())
                    .arg(instant(activity, "start_time").secsTo(instant(activity, "end_time")));
    }
    return rows.join(QLatin1Char('\n'));
}

QString describe(const QList<StoredLog>& logs)
{
    QStringList rows;
    for (const StoredLog& log : logs)
        rows << QStringLiteral("%1|%2|%3 s").arg(log.appName, log.title).arg(log.seconds());
    return rows.join(QLatin1Char('\n'));
}

// The program as the session's user can start it: the build tree's own where its folders
// are open to others, else the build installed into a prefix of its own under the temporary
// folder (a checkout in root's home is closed to every other user).
QString programFor(const HeadlessCompositor& session, QTemporaryDir& prefix)
{
    const QString buildDir = qEnvironmentVariable("LARKSPAN_BUILD_DIR");
    const QString built = buildDir + QStringLiteral("/bin/Larkspan");
    if (session.canRun(built))
        return built;
    if (!prefix.isValid())
        return QString();
    QFile::setPermissions(prefix.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                              | QFile::ReadOther | QFile::ExeOther);
    QProcess install;
    install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    install.setStandardOutputFile(QProcess::nullDevice());
    install.start(QStringLiteral("cmake"),
                  {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix.path()});
    if (!install.waitForFinished(60000) || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0)
        return QString();
    const QString installed = prefix.path() + QStringLiteral("/lib/larkspan/Larkspan");
    return session.canRun(installed) ? installed : QString();
}

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
        for (const char* tool : {"sway", "swaymsg", "swaybar", "foot", "wtype", "setpriv", "dbus-daemon", "dbus-send",
                                 "Xwayland", "xterm", "weston"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QFAIL(
                    qPrintable(QStringLiteral("%1 is missing (scripts/deps.sh installs it)").arg(QLatin1String(tool))));
        }
        // Qt's Wayland platform, for the program's own windows on it.
        if (!QFile::exists(QLibraryInfo::location(QLibraryInfo::PluginsPath)
                           + QStringLiteral("/platforms/libqwayland-generic.so")))
            QFAIL("qtwayland5 is missing (scripts/deps.sh installs it)");
    }

    void nativeWindowsAreTrackedUntilTheCompositorDies()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        const QString serverUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());

        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("userInfoJson"), loggedInUserJson(server, kUser));
            settings.setValue(QStringLiteral("maxInactiveSecs"), kIdleThresholdSecs);
        }
        QProcessEnvironment env = home.environment();
        env.insert(QStringLiteral("LARKSPAN_SERVER_URL"), serverUrl);
        env.insert(QStringLiteral("LARKSPAN_INGRESS_URL"), serverUrl);

        HeadlessCompositor sway(home.path(), env);
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
        QVERIFY(sway.exec(QLatin1Char('\'') + binary + QLatin1Char('\'')));
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const qint64 pid = findProgram(binary, sway.uid());
        QVERIFY2(pid > 0, "the session did not start the program");
        // The user starts work once the program runs: its sampler takes nothing in its
        // first 3 seconds.
        QTest::qWait(4000);

        // A user at work: typing in one window, then in the other. Had the program not
        // seen this input, it would take the user for absent after the threshold, and the
        // next input would raise the manual time prompt.
        bool promptSeen = false;
        const auto typeIn = [&](const QString& criteria, int seconds) {
            Span span;
            if (!sway.focus(criteria))
                return span;
            span.start = QDateTime::currentDateTimeUtc();
            QElapsedTimer timer;
            timer.start();
            for (int second = 1; second <= seconds; ++second) {
                sway.type(QStringLiteral("work %1 ").arg(second));
                promptSeen = promptSeen || !sway.window(QString(), kPrompt).isEmpty();
                QTest::qWait(static_cast<int>(qMax<qint64>(0, second * 1000 - timer.elapsed())));
            }
            span.end = QDateTime::currentDateTimeUtc();
            return span;
        };
        const Span drivenA = typeIn(QStringLiteral("[app_id=\"%1\"]").arg(kAppA), 30);
        const Span drivenB = typeIn(QStringLiteral("[app_id=\"%1\"]").arg(kAppB), 24);
        // An XWayland window is a toplevel like the others, seen through the compositor only.
        const Span drivenX = typeIn(QStringLiteral("[title=\"^%1$\"]").arg(kTitleX), 15);
        QVERIFY2(drivenA.start.isValid() && drivenB.start.isValid() && drivenX.start.isValid(),
                 "sway did not focus the windows");
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
        auto upload = home.start({QStringLiteral("LARKSPAN_SERVER_URL=") + serverUrl,
                                  QStringLiteral("LARKSPAN_INGRESS_URL=") + serverUrl,
                                  QStringLiteral("WAYLAND_DISPLAY="), QStringLiteral("XDG_SESSION_TYPE="),
                                  QStringLiteral("DISPLAY="), QStringLiteral("QT_QPA_PLATFORM=offscreen")},
                                 binary, QString(), sway.launcher());
        QJsonArray uploaded;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            uploaded = DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=") + kUser))
                           .value(QStringLiteral("activities"))
                           .toArray();
            // Sent logs are deleted; idle ones are dropped at start and never sent.
            if (storedTimeLogs(home).isEmpty())
                break;
            QTest::qWait(500);
        }
        QVERIFY(stopWithSignal(*upload, SIGTERM) >= 0);
        const qint64 serverA = uploadedSeconds(uploaded, kTitleA);
        const qint64 serverB = uploadedSeconds(uploaded, kTitleB);
        const qint64 serverX = uploadedSeconds(uploaded, kTitleX, QStringLiteral("xterm"));
        qInfo("driven / on the server: foot A %lld / %lld s, foot B %lld / %lld s, xterm (XWayland) %lld / %lld s",
              drivenA.seconds(), serverA, drivenB.seconds(), serverB, drivenX.seconds(), serverX);
        QVERIFY2(qAbs(serverA - drivenA.seconds()) <= 5, qPrintable(describe(uploaded)));
        QVERIFY2(qAbs(serverB - drivenB.seconds()) <= 5, qPrintable(describe(uploaded)));
        QVERIFY2(qAbs(serverX - drivenX.seconds()) <= 5, qPrintable(describe(uploaded)));
        // Never one moment twice: the logs follow each other without overlap.
        QList<Span> spans = spansOf(uploaded);
        for (int i = 1; i < spans.size(); ++i)
            QVERIFY2(spans.at(i).start >= spans.at(i - 1).end, qPrintable(describe(uploaded)));
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
        for (int second = 0; second < 6; ++second) {
            sway.type(QStringLiteral("work %1 ").arg(second));
            QTest::qWait(1000);
        }
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
        QVERIFY(weston.exec(QStringLiteral("QT_QPA_PLATFORM=offscreen exec '%1'").arg(binary)));
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const qint64 pid = findProgram(binary, weston.uid());
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
