#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "HeadlessCompositor.h"
#include "LarkspanRun.h"
#include "SessionProgram.h"
#include "TestHome.h"
#include "UploadedActivities.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString kUuid = QStringLiteral(LARKSPAN_GNOME_SHELL_EXTENSION_UUID);
const QString kTitle = QString::fromUtf8("Larkspan GNOME — Café 東京 ✍");
const QString kAppId = QStringLiteral("larkspan-e2e-gnome");
// The second window renames itself while the user types in it.
const QString kTitleB = QStringLiteral("Larkspan GNOME notes");
const QString kTitleRenamed = QStringLiteral("Larkspan GNOME notes, renamed");
const QString kUser = QStringLiteral("e2e-gnome");
constexpr int kIdleThresholdSecs = 15;
// Enough for the shell's start, and short enough for a lost test to end.
constexpr int kShellReadyMs = 30000;

bool copyFile(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).path());
    QFile::remove(to);
    return QFile::copy(from, to);
}

// The extension as the package installs it, in the user's own extension folder, and the
// shell's settings with it enabled or not.
bool installExtension(const LarkspanHome& home, bool enabled)
{
    const QString built = qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/share/gnome-shell/extensions/")
        + kUuid + QLatin1Char('/');
    const QString target =
        home.path() + QStringLiteral("/.local/share/gnome-shell/extensions/") + kUuid + QLatin1Char('/');
    for (const char* name : {"extension.js", "metadata.json"}) {
        if (!copyFile(built + QLatin1String(name), target + QLatin1String(name)))
            return false;
    }
    QDir().mkpath(home.path() + QStringLiteral("/.config/glib-2.0/settings"));
    QFile keyfile(home.path() + QStringLiteral("/.config/glib-2.0/settings/keyfile"));
    if (!keyfile.open(QIODevice::WriteOnly))
        return false;
    keyfile.write("[org/gnome/shell]\n");
    keyfile.write(enabled ? QStringLiteral("enabled-extensions=['%1']\n").arg(kUuid).toUtf8()
                          : QByteArray("enabled-extensions=@as []\n"));
    return true;
}

// Mutter's remote-desktop keyboard, driven by mutter_keyboard as the session's user.
class RemoteKeyboard
{
public:
    RemoteKeyboard(const HeadlessCompositor& session, const QString& home)
    {
        // The build tree may be closed to the user: the helper runs from the user's home.
        const QString helper = home + QStringLiteral("/mutter_keyboard");
        copyFile(qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/bin/mutter_keyboard"), helper);
        if (session.uid() != 0 && ::chown(QFile::encodeName(helper).constData(), session.uid(), gid_t(-1)) != 0)
            return;
        _process.setProcessEnvironment(session.environment());
        _process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Mutter's remote desktop comes up a moment after the shell's name.
        QElapsedTimer timer;
        timer.start();
        while (!_ready && timer.elapsed() < 30000) {
            QStringList command = session.launcher();
            command << helper;
            _process.start(command.takeFirst(), command);
            const QByteArray answer = _process.waitForReadyRead(10000) ? _process.readLine().trimmed() : QByteArray();
            _ready = answer == "ready";
            if (!_ready) {
                qWarning("mutter_keyboard: %s", answer.constData());
                _process.waitForFinished(2000);
                QTest::qWait(500);
            }
        }
    }
    ~RemoteKeyboard()
    {
        _process.closeWriteChannel();
        if (!_process.waitForFinished(5000))
            _process.kill();
        _process.waitForFinished(2000);
    }
    bool isReady() const { return _ready; }
    bool press(uint keysym)
    {
        _process.write(QByteArray::number(keysym) + '\n');
        return _process.waitForReadyRead(5000) && _process.readLine().trimmed() == "ok";
    }

private:
    QProcess _process;
    bool _ready = false;
};

// The extension's answer, asked as the session's user would.
QByteArray focusedWindow(const HeadlessCompositor& shell)
{
    QByteArray output;
    shell.runTool(QStringLiteral("dbus-send"),
                  {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                   QStringLiteral("--dest=org.gnome.Shell"), QStringLiteral("/com/corvane/Larkspan/FocusedWindow"),
                   QStringLiteral("com.corvane.Larkspan.FocusedWindow.Get")},
                  &output);
    return output;
}

struct Session {
    LarkspanHome home;
    DevServerProcess server;
    std::unique_ptr<HeadlessCompositor> shell;
    QTemporaryDir prefix;
    QString binary;
};

} // namespace

// The real program in a real headless GNOME Shell 43, started by the session as a user's
// login would, with a native Wayland window and input through Mutter's remote desktop.
class TestGnomeTracking : public QObject
{
    Q_OBJECT
private:
    // A session with foot in front and the program started in it; empty binary on failure.
    void startSession(Session& s, bool extensionEnabled)
    {
        QVERIFY2(s.server.start({QStringLiteral("--quiet")}), qPrintable(s.server.errorString()));
        const QProcessEnvironment env = loggedInEnvironment(s.home, s.server, kUser, kIdleThresholdSecs);
        QVERIFY(installExtension(s.home, extensionEnabled));
        s.shell = std::make_unique<HeadlessCompositor>(s.home.path(), env, HeadlessCompositor::Kind::Gnome);
        QVERIFY2(s.shell->isRunning(), qPrintable(s.shell->errorString()));
        QVERIFY(s.shell->exec(QStringLiteral("foot --title='%1' --app-id=%2 cat").arg(kTitle, kAppId)));
        s.binary = programFor(*s.shell, s.prefix);
        QVERIFY2(!s.binary.isEmpty(),
                 "the session's user can neither reach the build tree nor a copy installed for it");
    }

    // Types one key every 200 ms for this long; the span it took.
    static Span typeFor(RemoteKeyboard& keyboard, int seconds)
    {
        const QDateTime start = QDateTime::currentDateTimeUtc();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < seconds * 1000) {
            if (!keyboard.press(0x61))
                return {};
            QTest::qWait(200);
        }
        return {start, QDateTime::currentDateTimeUtc()};
    }

    // The program's time logs once a start outside the session has sent them.
    static QJsonArray uploaded(Session& s)
    {
        qInfo("stored before the upload:\n%s", qPrintable(describe(storedTimeLogs(s.home))));
        return uploadStored(*s.shell, s.home, s.binary, s.server, kUser);
    }

private slots:
    void initTestCase()
    {
        const QString missing = missingTools({"gnome-shell", "foot", "setpriv", "dbus-daemon", "dbus-send"});
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
    }

    // With the extension enabled: the focused native window is recorded with its program
    // and title, for as long as the user typed.
    void theFocusedNativeWindowIsTracked()
    {
        Session s;
        startSession(s, true);
        if (s.binary.isEmpty())
            return;
        RemoteKeyboard keyboard(*s.shell, s.home.path());
        QVERIFY2(keyboard.isReady(), "Mutter's remote desktop does not answer");
        // The shell starts in its overview; Escape leaves it for the window, as a user does.
        QElapsedTimer timer;
        timer.start();
        while (!focusedWindow(*s.shell).contains(kTitle.toUtf8()) && timer.elapsed() < kShellReadyMs) {
            keyboard.press(0xff1b);
            QTest::qWait(500);
        }
        QVERIFY2(focusedWindow(*s.shell).contains(kTitle.toUtf8()),
                 qPrintable(QStringLiteral("the extension does not report foot: ") + focusedWindow(*s.shell)));

        const qint64 pid = startProgram(*s.shell, s.home, s.binary, QStringLiteral("offscreen"));
        QVERIFY2(pid > 0, "the session did not start the program");
        // Its sampler takes nothing in the program's first 3 seconds.
        QTest::qWait(4000);
        const auto typedA = typeFor(keyboard, 20);
        QVERIFY2(typedA.isValid(), "Mutter did not take the keys");
        // Foot A, still in front, is the one the user closes below.
        const QByteArray front = focusedWindow(*s.shell);
        const qint64 footA = front.mid(front.indexOf("uint32 ") + 7).split('\n').first().toLongLong();
        QVERIFY2(front.contains(kTitle.toUtf8()) && footA > 0, front.constData());
        // A second window, whose title changes 12 s after its start. Opened without the
        // user's token it mostly stays behind A, but Mutter may also give it the focus at
        // once: either way the user then closes A and works in the new one.
        QVERIFY(
            s.shell->exec(QStringLiteral("foot --title='%1' --app-id=%2-b sh -c 'sleep 12; printf \"\\033]2;%3\\007\"; "
                                         "exec cat'")
                              .arg(kTitleB, kAppId, kTitleRenamed)));
        QTest::qWait(1500);
        const QDateTime switched = QDateTime::currentDateTimeUtc();
        QVERIFY(::kill(static_cast<pid_t>(footA), SIGTERM) == 0);
        timer.restart();
        while (!focusedWindow(*s.shell).contains(kTitleB.toUtf8()) && timer.elapsed() < 10000)
            QTest::qWait(100);
        QVERIFY2(focusedWindow(*s.shell).contains(kTitleB.toUtf8()), focusedWindow(*s.shell).constData());
        const auto typedB = typeFor(keyboard, 20);
        QVERIFY2(typedB.isValid(), "Mutter did not take the keys");
        QTest::qWait(3000);
        QVERIFY2(::kill(static_cast<pid_t>(pid), SIGTERM) == 0 && waitUntilGone(pid, 30000),
                 "the program did not quit");

        const QString log = s.home.readLog();
        QVERIFY2(log.contains(QStringLiteral("CaptureAssembly - GNOME session, input activity from Mutter's idle "
                                             "monitor, foreground window from the GNOME Shell extension ")
                              + kUuid),
                 qPrintable(log.left(4000)));
        QVERIFY2(!log.contains(QLatin1String("does not answer")), qPrintable(log.left(4000)));
        const QJsonArray activities = uploaded(s);
        const qint64 secondsA = uploadedSeconds(activities, QStringLiteral("foot"), kTitle);
        const qint64 secondsB = uploadedSeconds(activities, QStringLiteral("foot"), kTitleB);
        const qint64 secondsRenamed = uploadedSeconds(activities, QStringLiteral("foot"), kTitleRenamed);
        const qint64 expectedA = typedA.seconds();
        const qint64 expectedB = switched.secsTo(typedB.end);
        qInfo("typed %lld + %lld s, recorded %lld + %lld (%lld before the rename, %lld after) s\n%s", expectedA,
              expectedB, secondsA, secondsB + secondsRenamed, secondsB, secondsRenamed,
              qPrintable(describe(activities)));
        QVERIFY2(qAbs(secondsA - expectedA) <= 5, qPrintable(describe(activities)));
        QVERIFY2(qAbs(secondsB + secondsRenamed - expectedB) <= 5, qPrintable(describe(activities)));
        QVERIFY2(secondsB > 0 && secondsRenamed > 0, qPrintable(describe(activities)));
    }

    // Without the extension: the work is still recorded, under the unknown marker rather than
    // a guess, and the user is told once what to enable.
    void withoutTheExtensionActivityIsStillLogged()
    {
        Session s;
        startSession(s, false);
        if (s.binary.isEmpty())
            return;
        RemoteKeyboard keyboard(*s.shell, s.home.path());
        QVERIFY2(keyboard.isReady(), "Mutter's remote desktop does not answer");
        for (int i = 0; i < 3; ++i) {
            keyboard.press(0xff1b);
            QTest::qWait(500);
        }
        const qint64 pid = startProgram(*s.shell, s.home, s.binary, QStringLiteral("offscreen"));
        QVERIFY2(pid > 0, "the session did not start the program");
        QTest::qWait(4000);
        const auto typed = typeFor(keyboard, 20);
        QVERIFY2(typed.isValid(), "Mutter did not take the keys");
        QTest::qWait(3000);
        QVERIFY2(::kill(static_cast<pid_t>(pid), SIGTERM) == 0 && waitUntilGone(pid, 30000),
                 "the program did not quit");

        const QString log = s.home.readLog();
        const QString notice =
            QStringLiteral("GnomeShellFocus - the GNOME Shell extension ") + kUuid + QStringLiteral(" does not answer");
        QVERIFY2(log.count(notice) == 1, qPrintable(log.left(4000)));
        // The notice reached the tray controller, which shows it as a balloon.
        QVERIFY2(log.indexOf(QLatin1String("onShowMessage..."), log.indexOf(notice)) > 0, qPrintable(log.right(3000)));
        const QJsonArray activities = uploaded(s);
        const qint64 seconds = uploadedSeconds(activities, QStringLiteral("@_blank_@"), QStringLiteral("@_blank_@"));
        const qint64 expected = typed.seconds();
        qInfo("typed %lld s, recorded %lld s\n%s", expected, seconds, qPrintable(describe(activities)));
        QVERIFY2(qAbs(seconds - expected) <= 5, qPrintable(describe(activities)));
        QVERIFY2(uploadedSeconds(activities, QStringLiteral("foot"), kTitle) == 0, qPrintable(describe(activities)));
    }
};

LARKSPAN_TEST_MAIN(TestGnomeTracking, QCoreApplication)
#include "tst_gnome_tracking.moc"
