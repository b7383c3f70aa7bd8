#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "HeadlessCompositor.h"
#include "LarkspanRun.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>

namespace {

const QString kTitleA = QString::fromUtf8("Larkspan KWin e2e — Notizen");
const QString kTitleB = QString::fromUtf8("Larkspan KWin e2e — Café 東京");
// XWayland's title is read as the X client sets it; plain text keeps the test about counting.
const QString kTitleX = QStringLiteral("Larkspan KWin e2e XWayland terminal");
const QString kUser = QStringLiteral("e2e-kwin");
const QString kTerminal = QStringLiteral("weston-terminal");
constexpr int kIdleThresholdSecs = 15;

// The program the session started, found by its executable and its user.
qint64 findProgram(const QString& binary, uint uid)
{
    const QString wanted = QFileInfo(binary).canonicalFilePath();
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
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

QDateTime instant(const QJsonObject& activity, const char* key)
{
    QDateTime time =
        QDateTime::fromString(activity.value(QLatin1String(key)).toString(), QStringLiteral("yyyyMMddHHmmss"));
    time.setTimeSpec(Qt::UTC);
    return time;
}

qint64 uploadedSeconds(const QJsonArray& activities, const QString& title, const QString& app = kTerminal)
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

// The build tree's program where the session's user reaches it, else the build installed
// into a prefix of its own (the KWin script comes with it).
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

// A terminal whose shell names its window, then echoes what is typed.
QString terminalCommand(const QString& home, const QString& name, const QString& title)
{
    const QString script = home + QStringLiteral("/") + name + QStringLiteral(".sh");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\nprintf '\\033]2;" + title.toUtf8() + "\\007'\nexec cat\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    return kTerminal + QStringLiteral(" --shell=") + script;
}

} // namespace

// The real program in a real headless KWin session, which tells the program the active
// window only through the script the program loads into it.
class TestKWinTracking : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const char* tool :
             {"kwin_wayland", "weston-terminal", "Xwayland", "xterm", "setpriv", "dbus-daemon", "dbus-send"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QFAIL(
                    qPrintable(QStringLiteral("%1 is missing (scripts/deps.sh installs it)").arg(QLatin1String(tool))));
        }
    }

    void activeWindowsComeFromTheScriptAndTypingCounts()
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

        HeadlessCompositor kwin(home.path(), env, HeadlessCompositor::Kind::KWin);
        QVERIFY2(kwin.isRunning(), qPrintable(kwin.errorString()));
        QTemporaryDir prefix;
        const QString binary = programFor(kwin, prefix);
        QVERIFY2(!binary.isEmpty(), "the session's user can neither reach the build tree nor a copy installed for it");
        QVERIFY(kwin.exec(QLatin1Char('\'') + binary + QLatin1Char('\'')));
        QVERIFY(waitForSetting(home, QStringLiteral("clientUuid")));
        const qint64 pid = findProgram(binary, kwin.uid());
        QVERIFY2(pid > 0, "the session did not start the program");
        QTest::qWait(4000);

        // Each terminal is activated by KWin when it maps; the user types in it. Without
        // the input seen, the threshold would pass as absence.
        const auto typeIn = [&](const QString& command, int seconds) {
            QPair<QDateTime, QDateTime> span;
            if (command.isEmpty() || !kwin.exec(command))
                return span;
            QTest::qWait(2000);
            span.first = QDateTime::currentDateTimeUtc();
            QElapsedTimer timer;
            timer.start();
            for (int second = 1; second <= seconds; ++second) {
                if (!kwin.type(QStringLiteral("work ")))
                    return QPair<QDateTime, QDateTime>();
                QTest::qWait(static_cast<int>(qMax<qint64>(0, second * 1000 - timer.elapsed())));
            }
            span.second = QDateTime::currentDateTimeUtc();
            return span;
        };
        const auto drivenA = typeIn(terminalCommand(home.path(), QStringLiteral("a"), kTitleA), 25);
        const auto drivenB = typeIn(terminalCommand(home.path(), QStringLiteral("b"), kTitleB), 20);
        // An X11 window, reported by the same script: one source, no moment counted twice.
        const auto drivenX = typeIn(QStringLiteral("xterm -T '%1' -e cat").arg(kTitleX), 15);
        QVERIFY2(drivenA.second.isValid() && drivenB.second.isValid() && drivenX.second.isValid(),
                 "KWin took no typing from the fake input client");

        // Quitting takes the script out of KWin again.
        QVERIFY(::kill(static_cast<pid_t>(pid), SIGTERM) == 0);
        QVERIFY2(waitUntilGone(pid, 30000), "the program did not quit");
        const QString log = home.readLog();
        QVERIFY2(log.contains(QLatin1String(
                     "CaptureAssembly - Wayland session, foreground window and input activity from the compositor: "
                     "KWin script, ext_idle_notifier_v1")),
                 qPrintable(log.left(4000)));
        QByteArray loaded;
        QVERIFY(kwin.runTool(QStringLiteral("dbus-send"),
                             {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                              QStringLiteral("--dest=org.kde.KWin"), QStringLiteral("/Scripting"),
                              QStringLiteral("org.kde.kwin.Scripting.isScriptLoaded"),
                              QStringLiteral("string:larkspan-activewindow")},
                             &loaded));
        QVERIFY2(loaded.contains("boolean false"), loaded.constData());

        // The next start, outside the session, sends what was stored.
        auto upload = home.start({QStringLiteral("LARKSPAN_SERVER_URL=") + serverUrl,
                                  QStringLiteral("LARKSPAN_INGRESS_URL=") + serverUrl,
                                  QStringLiteral("WAYLAND_DISPLAY="), QStringLiteral("XDG_SESSION_TYPE="),
                                  QStringLiteral("DISPLAY="), QStringLiteral("QT_QPA_PLATFORM=offscreen")},
                                 binary, QString(), kwin.launcher());
        QJsonArray uploaded;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000) {
            uploaded = DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=") + kUser))
                           .value(QStringLiteral("activities"))
                           .toArray();
            if (storedTimeLogs(home).isEmpty())
                break;
            QTest::qWait(500);
        }
        QVERIFY(stopWithSignal(*upload, SIGTERM) >= 0);
        const qint64 serverA = uploadedSeconds(uploaded, kTitleA);
        const qint64 serverB = uploadedSeconds(uploaded, kTitleB);
        const qint64 typedA = drivenA.first.secsTo(drivenA.second);
        const qint64 typedB = drivenB.first.secsTo(drivenB.second);
        const qint64 serverX = uploadedSeconds(uploaded, kTitleX, QStringLiteral("xterm"));
        const qint64 typedX = drivenX.first.secsTo(drivenX.second);
        qInfo(
            "typed / on the server: terminal A %lld / %lld s, terminal B %lld / %lld s, xterm (XWayland) %lld / %lld s",
            typedA, serverA, typedB, serverB, typedX, serverX);
        QVERIFY2(qAbs(serverA - typedA) <= 5, qPrintable(describe(uploaded)));
        QVERIFY2(qAbs(serverB - typedB) <= 5, qPrintable(describe(uploaded)));
        QVERIFY2(qAbs(serverX - typedX) <= 5, qPrintable(describe(uploaded)));
        // Never one moment twice: the logs follow each other without overlap.
        QList<QPair<QDateTime, QDateTime>> spans;
        for (const QJsonValue& value : uploaded)
            spans << qMakePair(instant(value.toObject(), "start_time"), instant(value.toObject(), "end_time"));
        std::sort(spans.begin(), spans.end());
        for (int i = 1; i < spans.size(); ++i)
            QVERIFY2(spans.at(i).first >= spans.at(i - 1).second, qPrintable(describe(uploaded)));
    }
};

LARKSPAN_TEST_MAIN(TestKWinTracking, QCoreApplication)
#include "tst_kwin_tracking.moc"
