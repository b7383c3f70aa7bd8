#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "HeadlessCompositor.h"
#include "LarkspanRun.h"
#include "SessionProgram.h"
#include "TestHome.h"
#include "UploadedActivities.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString kTitleA = QString::fromUtf8("Larkspan KWin e2e — Notizen");
const QString kTitleB = QString::fromUtf8("Larkspan KWin e2e — Café 東京");
// XWayland's title is read as the X client sets it; plain text keeps the test about counting.
const QString kTitleX = QStringLiteral("Larkspan KWin e2e XWayland terminal");
const QString kUser = QStringLiteral("e2e-kwin");
const QString kTerminal = QStringLiteral("weston-terminal");
constexpr int kIdleThresholdSecs = 15;

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
        const QString missing = missingTools(
            {"kwin_wayland", "weston-terminal", "Xwayland", "xterm", "setpriv", "dbus-daemon", "dbus-send"});
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
    }

    void activeWindowsComeFromTheScriptAndTypingCounts()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        LarkspanHome home;
        HeadlessCompositor kwin(home.path(), loggedInEnvironment(home, server, kUser, kIdleThresholdSecs),
                                HeadlessCompositor::Kind::KWin);
        QVERIFY2(kwin.isRunning(), qPrintable(kwin.errorString()));
        QTemporaryDir prefix;
        const QString binary = programFor(kwin, prefix);
        QVERIFY2(!binary.isEmpty(), "the session's user can neither reach the build tree nor a copy installed for it");
        const qint64 pid = startProgram(kwin, home, binary);
        QVERIFY2(pid > 0, "the session did not start the program");
        QTest::qWait(4000);

        // Each terminal is activated by KWin when it maps; the user types in it. Without
        // the input seen, the threshold would pass as absence.
        const auto typeIn = [&](const QString& command, int seconds) {
            if (command.isEmpty() || !kwin.exec(command))
                return Span();
            QTest::qWait(2000);
            return typeEverySecond(kwin, seconds);
        };
        const auto drivenA = typeIn(terminalCommand(home.path(), QStringLiteral("a"), kTitleA), 25);
        const auto drivenB = typeIn(terminalCommand(home.path(), QStringLiteral("b"), kTitleB), 20);
        // An X11 window, reported by the same script: one source, no moment counted twice.
        const auto drivenX = typeIn(QStringLiteral("xterm -T '%1' -e cat").arg(kTitleX), 15);
        QVERIFY2(drivenA.isValid() && drivenB.isValid() && drivenX.isValid(),
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
        const QJsonArray uploaded = uploadStored(kwin, home, binary, server, kUser);
        const QString differences = differencesFromDriven(uploaded,
                                                          {{kTerminal, kTitleA, drivenA},
                                                           {kTerminal, kTitleB, drivenB},
                                                           {QStringLiteral("xterm"), kTitleX, drivenX}});
        QVERIFY2(differences.isEmpty(), qPrintable(differences));
        // Never one moment twice: the logs follow each other without overlap.
        QVERIFY2(withoutOverlap(uploaded), qPrintable(describe(uploaded)));
    }
};

LARKSPAN_TEST_MAIN(TestKWinTracking, QCoreApplication)
#include "tst_kwin_tracking.moc"
