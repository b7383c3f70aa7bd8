#include "TestHome.h"

#include "HyprlandIpc.h"
#include "SwayIpc.h"
#include "WaylandAppName.h"
#include "WaylandWindowDetector.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

void writeEntry(const QString& dataDir, const QString& fileName, const QByteArray& text)
{
    QDir().mkpath(dataDir + QStringLiteral("/applications"));
    QFile file(dataDir + QStringLiteral("/applications/") + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QProcessEnvironment environment(const QStringList& pairs)
{
    QProcessEnvironment env;
    for (const QString& pair : pairs)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    return env;
}

// A compositor's request socket that answers one connection: it keeps what it was asked
// and replies, or says nothing at all until it is closed.
class OneShotSocketServer
{
public:
    OneShotSocketServer(const QString& path, const QByteArray& reply, bool silent = false)
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        memcpy(address.sun_path, name.constData(),
               static_cast<size_t>(qMin<int>(name.size(), sizeof(address.sun_path) - 1)));
        _listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::bind(_listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
            || ::listen(_listener, 1) != 0)
            return;
        _thread = std::thread([this, reply, silent] {
            const int client = ::accept(_listener, nullptr, nullptr);
            if (client < 0)
                return;
            char buffer[256];
            const ssize_t n = ::recv(client, buffer, sizeof(buffer), 0);
            if (n > 0)
                request = QByteArray(buffer, static_cast<int>(n));
            if (silent) {
                // Holds the connection open without a word until the test has given up.
                char none;
                [[maybe_unused]] ssize_t ignored = ::recv(client, &none, 1, 0);
            } else {
                [[maybe_unused]] ssize_t sent =
                    ::send(client, reply.constData(), static_cast<size_t>(reply.size()), MSG_NOSIGNAL);
            }
            ::close(client);
        });
    }
    ~OneShotSocketServer()
    {
        ::shutdown(_listener, SHUT_RDWR);
        if (_thread.joinable())
            _thread.join();
        ::close(_listener);
    }
    bool isListening() const { return _thread.joinable(); }
    // Read only after the client has its answer.
    QByteArray request;

private:
    int _listener = -1;
    std::thread _thread;
};

} // namespace

// How a Wayland window gets its application name, and which capture a session gets.
class TestWaylandAppName : public QObject
{
    Q_OBJECT

private slots:
    // A user's own entry overrides the system's; an entry is found by file name, then by
    // StartupWMClass; without one the app_id is the name.
    void namesTheProgramOfTheDesktopEntry()
    {
        QTemporaryDir home;
        QTemporaryDir system;
        writeEntry(system.path(), QStringLiteral("org.example.Editor.desktop"),
                   "[Desktop Entry]\nType=Application\nName=Editor\nExec=/usr/bin/example-editor %F\n");
        writeEntry(system.path(), QStringLiteral("org.example.Viewer.desktop"),
                   "[Desktop Entry]\nName=Viewer\nExec=viewer-bin\n");
        writeEntry(home.path(), QStringLiteral("org.example.Viewer.desktop"),
                   "[Desktop Entry]\nName=Viewer\nExec=/home/me/bin/my-viewer --fast\n");
        writeEntry(system.path(), QStringLiteral("chat.desktop"),
                   "[Desktop Entry]\nName=Chat\nExec=chat-launcher\nStartupWMClass=ChatWindow\n");
        WaylandAppName names({home.path(), system.path()});

        QCOMPARE(names.forToplevel(QStringLiteral("org.example.Editor"), 0), QStringLiteral("example-editor"));
        QCOMPARE(names.forToplevel(QStringLiteral("org.example.Viewer"), 0), QStringLiteral("my-viewer"));
        QCOMPARE(names.forToplevel(QStringLiteral("chatwindow"), 0), QStringLiteral("chat-launcher"));
        QCOMPARE(names.forToplevel(QStringLiteral("org.example.Missing"), 0), QStringLiteral("org.example.Missing"));
        QCOMPARE(names.forToplevel(QString(), 0), QString());
    }

    // The process, where the compositor names it, wins over any entry.
    void preferTheProcessWhenTheCompositorNamesIt()
    {
        QTemporaryDir system;
        writeEntry(system.path(), QStringLiteral("tool.desktop"), "[Desktop Entry]\nExec=other-name\n");
        WaylandAppName names({system.path()});
        QCOMPARE(names.forToplevel(QStringLiteral("tool"), getpid()), QStringLiteral("tst_wayland_app_name"));
        // A process that is gone falls back to the entry.
        QCOMPARE(names.forToplevel(QStringLiteral("tool"), 999999999), QStringLiteral("other-name"));
    }

    // Hidden entries, entries without a main group or without Exec, and app_ids that
    // would name a path give no program name.
    void unusableEntriesFallBackToTheAppId()
    {
        QTemporaryDir home;
        QTemporaryDir system;
        writeEntry(system.path(), QStringLiteral("gone.desktop"), "[Desktop Entry]\nExec=gone-bin\n");
        writeEntry(home.path(), QStringLiteral("gone.desktop"), "[Desktop Entry]\nHidden=true\nExec=gone-bin\n");
        writeEntry(system.path(), QStringLiteral("actions-only.desktop"),
                   "[Desktop Entry]\nName=X\n[Desktop Action New]\nExec=action-bin --new\n");
        writeEntry(system.path(), QStringLiteral("broken.desktop"), "Exec=no-group\n");
        writeEntry(system.path(), QStringLiteral("field-code.desktop"), "[Desktop Entry]\nExec=%U\n");
        QDir().mkpath(system.path() + QStringLiteral("/secret"));
        writeEntry(system.path() + QStringLiteral("/secret"), QStringLiteral("x.desktop"),
                   "[Desktop Entry]\nExec=leak\n");
        WaylandAppName names({home.path(), system.path()});

        QCOMPARE(names.forToplevel(QStringLiteral("gone"), 0), QStringLiteral("gone"));
        QCOMPARE(names.forToplevel(QStringLiteral("actions-only"), 0), QStringLiteral("actions-only"));
        QCOMPARE(names.forToplevel(QStringLiteral("broken"), 0), QStringLiteral("broken"));
        QCOMPARE(names.forToplevel(QStringLiteral("field-code"), 0), QStringLiteral("field-code"));
        QCOMPARE(names.fromDesktopEntry(QStringLiteral("../secret/applications/x")), QString());
    }

    void readsOddExecLines_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QString>("program");
        QTest::newRow("plain") << QStringLiteral("gedit %U") << QStringLiteral("gedit");
        QTest::newRow("absolute") << QStringLiteral("/usr/bin/foot") << QStringLiteral("foot");
        QTest::newRow("quoted with spaces")
            << QStringLiteral("\"/opt/My App/bin/my app\" --x %f") << QStringLiteral("my app");
        QTest::newRow("escaped quote") << QStringLiteral("\"/opt/a\\\"b/run\\\\me\"") << QStringLiteral("run\\me");
        QTest::newRow("env prefix") << QStringLiteral("env GDK_BACKEND=x11 LANG=C /usr/bin/app --flag")
                                    << QStringLiteral("app");
        QTest::newRow("env with flag") << QStringLiteral("/usr/bin/env -u FOO tool") << QStringLiteral("tool");
        QTest::newRow("flatpak") << QStringLiteral(
            "/usr/bin/flatpak run --branch=stable --command=firefox org.mozilla.firefox")
                                 << QStringLiteral("firefox");
        QTest::newRow("leading blanks") << QStringLiteral("   vim") << QStringLiteral("vim");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("env only") << QStringLiteral("env A=1") << QString();
        QTest::newRow("field code only") << QStringLiteral("%F") << QString();
    }

    void readsOddExecLines()
    {
        QFETCH(QString, exec);
        QFETCH(QString, program);
        QCOMPARE(WaylandAppName::execProgram(exec), program);
    }

    // Desktop entry escapes (\s) and the UTF-8 text of an entry are read as written.
    void readsEscapesAndUnicode()
    {
        QTemporaryDir system;
        writeEntry(
            system.path(), QStringLiteral("uni.desktop"),
            QStringLiteral("[Desktop Entry]\nName=Ünï\nExec=\"/opt/Caf\u00e9 App/\u6771\u4eac-tool\" --go\n").toUtf8());
        // \s is a blank, and an unquoted blank ends the program.
        writeEntry(system.path(), QStringLiteral("blank.desktop"), "[Desktop Entry]\nExec=runner\\s--go\n");
        WaylandAppName names({system.path()});
        QCOMPARE(names.forToplevel(QStringLiteral("uni"), 0), QString::fromUtf8("\u6771\u4eac-tool"));
        QCOMPARE(names.forToplevel(QStringLiteral("blank"), 0), QStringLiteral("runner"));
    }

    void choosesTheBackendFromTheSession_data()
    {
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<bool>("wayland");
        QTest::newRow("X11 only") << QStringList {QStringLiteral("DISPLAY=:0")} << false;
        QTest::newRow("Wayland with XWayland")
            << QStringList {QStringLiteral("DISPLAY=:0"), QStringLiteral("WAYLAND_DISPLAY=wayland-1")} << true;
        QTest::newRow("session type only") << QStringList {QStringLiteral("XDG_SESSION_TYPE=wayland")} << true;
        QTest::newRow("x11 session type")
            << QStringList {QStringLiteral("XDG_SESSION_TYPE=x11"), QStringLiteral("DISPLAY=:1")} << false;
        QTest::newRow("empty WAYLAND_DISPLAY")
            << QStringList {QStringLiteral("WAYLAND_DISPLAY="), QStringLiteral("DISPLAY=:0")} << false;
        QTest::newRow("nothing") << QStringList() << false;
    }

    void choosesTheBackendFromTheSession()
    {
        QFETCH(QStringList, env);
        QFETCH(bool, wayland);
        QCOMPARE(chooseCaptureBackend(environment(env)) == CaptureBackend::Wayland, wayland);
    }

    // The focused window of a sway tree, not an empty workspace that holds the focus.
    void findsTheFocusedWindowInASwayTree()
    {
        const QByteArray tree = R"({"type":"root","nodes":[{"type":"output","nodes":[
            {"type":"workspace","focused":false,"nodes":[
              {"type":"con","focused":false,"pid":11,"app_id":"foot","name":"a"},
              {"type":"con","focused":true,"pid":12,"app_id":null,"name":"x",
               "window_properties":{"class":"XTerm"}}],
             "floating_nodes":[{"type":"floating_con","focused":false,"pid":13,"app_id":"float"}]}]}]})";
        const SwayIpc::FocusedWindow focused = SwayIpc::focusedIn(tree);
        QVERIFY(focused.found);
        QCOMPARE(focused.pid, 12);
        QCOMPARE(focused.windowClass, QStringLiteral("XTerm"));

        const QByteArray empty = R"({"type":"root","nodes":[{"type":"output","nodes":[
            {"type":"workspace","focused":true,"nodes":[]}]}]})";
        QVERIFY(!SwayIpc::focusedIn(empty).found);
        QVERIFY(!SwayIpc::focusedIn("not json").found);
        // No sway socket: no answer, at once.
        QVERIFY(!SwayIpc::focusedWindow(QStringLiteral("/nonexistent/sway.sock")).found);
    }

    // Hyprland names the active window's process; "{}" means nothing has the focus.
    void readsHyprlandsActiveWindow()
    {
        const QByteArray reply =
            R"({"address":"0x55d1c0a3e2b0","mapped":true,"hidden":false,"at":[10,40],"size":[1260,750],
            "workspace":{"id":1,"name":"1"},"floating":false,"monitor":0,"class":"org.example.Editor",
            "title":"Caf\u00e9 \u6771\u4eac","initialClass":"org.example.Editor","initialTitle":"Editor",
            "pid":4242,"xwayland":false,"pinned":false,"fullscreen":false,"grouped":[],"swallowing":"0x0"})";
        const HyprlandIpc::ActiveWindow active = HyprlandIpc::parse(reply);
        QVERIFY(active.found);
        QCOMPARE(active.pid, 4242);
        QCOMPARE(active.windowClass, QStringLiteral("org.example.Editor"));
        QCOMPARE(active.title, QString::fromUtf8("Café 東京"));
        QVERIFY(!HyprlandIpc::parse("{}").found);
        QVERIFY(!HyprlandIpc::parse("unknown request").found);
        QVERIFY(!HyprlandIpc::parse(R"({"class":"foot","pid":-1})").found);
    }

    // The request goes to the session's instance socket under the runtime folder, and the
    // answer is read to its end; a compositor that never answers costs the timeout only.
    void asksHyprlandOverItsSocket()
    {
        QTemporaryDir runtime;
        const QString folder = runtime.path() + QStringLiteral("/hypr/v0.41_1712345678_1234");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/.socket.sock");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("HYPRLAND_INSTANCE_SIGNATURE", "v0.41_1712345678_1234");
        // A reply larger than one read, as a long title makes it.
        const QByteArray reply = QByteArray("{\"class\":\"foot\",\"initialClass\":\"foot\",\"title\":\"")
            + QByteArray(20000, 'x') + QByteArray("\",\"pid\":777}");
        {
            OneShotSocketServer compositor(path, reply);
            QVERIFY(compositor.isListening());
            QCOMPARE(HyprlandIpc::socketPath(), path);
            const HyprlandIpc::ActiveWindow active = HyprlandIpc::activeWindow(HyprlandIpc::socketPath());
            QVERIFY(active.found);
            QCOMPARE(active.pid, 777);
            QCOMPARE(active.title.size(), 20000);
            QCOMPARE(compositor.request, QByteArray("j/activewindow"));
        }
        QFile::remove(path);
        {
            OneShotSocketServer compositor(path, QByteArray(), true);
            QVERIFY(compositor.isListening());
            const auto started = std::chrono::steady_clock::now();
            QVERIFY(!HyprlandIpc::activeWindow(path, 300).found);
            QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(2));
        }
        // Outside a Hyprland session there is nothing to ask.
        qunsetenv("HYPRLAND_INSTANCE_SIGNATURE");
        QVERIFY(HyprlandIpc::socketPath().isEmpty());
        qunsetenv("XDG_RUNTIME_DIR");
    }
};

LARKSPAN_TEST_MAIN(TestWaylandAppName, QCoreApplication)
#include "tst_wayland_app_name.moc"
