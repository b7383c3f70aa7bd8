#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "SwaySession.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>

namespace {

const QString kTitleA = QString::fromUtf8("Larkspan e2e — Café 東京 🚀 שלום");
const QString kTitleB = QString::fromUtf8("Notizen – Größe ✍ Ελλάδα");
const QString kAppA = QStringLiteral("larkspan-e2e-a");
const QString kAppB = QStringLiteral("larkspan-e2e-b");
const QString kPrompt = QStringLiteral("Larkspan Manual Time Prompt");
const QString kUser = QStringLiteral("e2e-wayland");
// Short, so that input the program failed to see would show as absence within the test.
constexpr int kIdleThresholdSecs = 15;

// The program the session started from this build, found by its executable.
qint64 findProgram(const QString& binary)
{
    const QString wanted = QFileInfo(binary).canonicalFilePath();
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        if (pid.toLongLong() > 0 && QFileInfo(QStringLiteral("/proc/") + pid + QStringLiteral("/exe")).symLinkTarget() == wanted)
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

struct Span
{
    QDateTime start;
    QDateTime end;
    qint64 seconds() const { return start.secsTo(end); }
};

// Seconds per window in the program's database.
qint64 storedSeconds(const QList<StoredLog>& logs, const QString& title)
{
    qint64 total = 0;
    for (const StoredLog& log : logs) {
        if (log.appName == QLatin1String("foot") && log.title == title)
            total += log.seconds();
    }
    return total;
}

// Seconds per window on the server.
qint64 uploadedSeconds(const QJsonArray& activities, const QString& title)
{
    qint64 total = 0;
    for (const QJsonValue& value : activities) {
        const QJsonObject activity = value.toObject();
        if (activity.value(QLatin1String("app_name")).toString() != QLatin1String("foot")
            || activity.value(QLatin1String("activity_description")).toString() != title)
            continue;
        const auto instant = [&activity](const char* key) {
            QDateTime time = QDateTime::fromString(activity.value(QLatin1String(key)).toString(), QStringLiteral("yyyyMMddHHmmss"));
            time.setTimeSpec(Qt::UTC);
            return time;
        };
        total += instant("start_time").secsTo(instant("end_time"));
    }
    return total;
}

QString describe(const QList<StoredLog>& logs)
{
    QStringList rows;
    for (const StoredLog& log : logs)
        rows << QStringLiteral("%1|%2|%3 s").arg(log.appName, log.title).arg(log.seconds());
    return rows.join(QLatin1Char('\n'));
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
        for (const char* tool : {"sway", "swaymsg", "foot", "wtype", "setpriv", "dbus-daemon", "Xwayland"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1 is missing (scripts/deps.sh installs it)").arg(QLatin1String(tool))));
        }
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

        SwaySession sway(home.path(), env);
        QVERIFY2(sway.isRunning(), qPrintable(sway.errorString()));
        QVERIFY(sway.exec(QStringLiteral("foot --title='%1' --app-id=%2 cat").arg(kTitleA, kAppA)));
        QVERIFY(sway.exec(QStringLiteral("foot --title='%1' --app-id=%2 cat").arg(kTitleB, kAppB)));
        QVERIFY(sway.waitForWindow(kAppA));
        QVERIFY(sway.waitForWindow(kAppB));

        const QString binary = qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/bin/Larkspan");
        QVERIFY(sway.exec(QLatin1Char('\'') + binary + QLatin1Char('\'')));
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const qint64 pid = findProgram(binary);
        QVERIFY2(pid > 0, "the session did not start the program");
        // The user starts work once the program runs: its sampler takes nothing in its
        // first 3 seconds.
        QTest::qWait(4000);

        // A user at work: typing in one window, then in the other. Had the program not
        // seen this input, it would take the user for absent after the threshold, and the
        // next input would raise the manual time prompt.
        bool promptSeen = false;
        const auto typeIn = [&](const QString& appId, int seconds) {
            Span span;
            if (!sway.focus(appId))
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
        const Span drivenA = typeIn(kAppA, 30);
        const Span drivenB = typeIn(kAppB, 24);
        QVERIFY2(drivenA.start.isValid() && drivenB.start.isValid(), "sway did not focus the windows");
        QVERIFY2(!promptSeen, "the manual time prompt came up while the user typed");

        // Away for longer than the threshold: the program's pass notices within 5 s.
        QTest::qWait((kIdleThresholdSecs + 8) * 1000);
        QVERIFY2(sway.window(QString(), kPrompt).isEmpty(), "a prompt came up without the user back");

        // The compositor dies: the program stores what it tracked and ends.
        sway.kill();
        QVERIFY2(waitUntilGone(pid, 30000), "the program outlived its session by 30 s");
        const QString log = home.readLog();
        QVERIFY2(log.contains(QLatin1String("CaptureAssembly - Wayland session, foreground window and input activity from the compositor: "
                                            "zwlr_foreign_toplevel_manager_v1, org_kde_kwin_idle")),
                 qPrintable(log.left(4000)));
        QVERIFY2(log.contains(QLatin1String("tracked time stored.")), qPrintable(log.right(3000)));

        const QList<StoredLog> stored = storedTimeLogs(home);
        const qint64 storedA = storedSeconds(stored, kTitleA);
        const qint64 storedB = storedSeconds(stored, kTitleB);
        qInfo("driven A %lld s, stored %lld s; driven B %lld s, stored %lld s", drivenA.seconds(), storedA,
              drivenB.seconds(), storedB);
        qInfo("%s", qPrintable(describe(stored)));
        QVERIFY2(qAbs(storedA - drivenA.seconds()) <= 5, qPrintable(describe(stored)));
        QVERIFY2(qAbs(storedB - drivenB.seconds()) <= 5, qPrintable(describe(stored)));
        // The absence after the typing is an idle log, and only that absence.
        bool idleLogged = false;
        for (const StoredLog& entry : stored) {
            if (entry.appName != QLatin1String("@_idle_@"))
                continue;
            idleLogged = true;
            QVERIFY2(entry.start.secsTo(drivenB.end) <= 5, qPrintable(describe(stored)));
        }
        QVERIFY2(idleLogged, qPrintable(describe(stored)));

        // The next start, outside the session, sends what was stored.
        auto upload = home.start({QStringLiteral("LARKSPAN_SERVER_URL=") + serverUrl,
                                  QStringLiteral("LARKSPAN_INGRESS_URL=") + serverUrl,
                                  QStringLiteral("WAYLAND_DISPLAY="), QStringLiteral("XDG_SESSION_TYPE="),
                                  QStringLiteral("DISPLAY="), QStringLiteral("QT_QPA_PLATFORM=offscreen")},
                                 QString(), QString(), sway.launcher());
        QJsonArray uploaded;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            uploaded = DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=") + kUser))
                           .value(QStringLiteral("activities")).toArray();
            if (uploadedSeconds(uploaded, kTitleA) > 0 && uploadedSeconds(uploaded, kTitleB) > 0)
                break;
            QTest::qWait(500);
        }
        QVERIFY(stopWithSignal(*upload, SIGTERM) >= 0);
        const qint64 serverA = uploadedSeconds(uploaded, kTitleA);
        const qint64 serverB = uploadedSeconds(uploaded, kTitleB);
        qInfo("on the server: A %lld s, B %lld s", serverA, serverB);
        QCOMPARE(serverA, storedA);
        QCOMPARE(serverB, storedB);
    }
};

LARKSPAN_TEST_MAIN(TestWaylandTracking, QCoreApplication)
#include "tst_wayland_tracking.moc"
