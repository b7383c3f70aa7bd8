#include "TestHome.h"

#include "SwayIpc.h"
#include "WaylandAppName.h"
#include "WaylandWindowDetector.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

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
        writeEntry(system.path() + QStringLiteral("/secret"), QStringLiteral("x.desktop"), "[Desktop Entry]\nExec=leak\n");
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
        QTest::newRow("quoted with spaces") << QStringLiteral("\"/opt/My App/bin/my app\" --x %f") << QStringLiteral("my app");
        QTest::newRow("escaped quote") << QStringLiteral("\"/opt/a\\\"b/run\\\\me\"") << QStringLiteral("run\\me");
        QTest::newRow("env prefix") << QStringLiteral("env GDK_BACKEND=x11 LANG=C /usr/bin/app --flag") << QStringLiteral("app");
        QTest::newRow("env with flag") << QStringLiteral("/usr/bin/env -u FOO tool") << QStringLiteral("tool");
        QTest::newRow("flatpak") << QStringLiteral("/usr/bin/flatpak run --branch=stable --command=firefox org.mozilla.firefox")
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
        writeEntry(system.path(), QStringLiteral("uni.desktop"),
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
        QTest::newRow("Wayland with XWayland") << QStringList {QStringLiteral("DISPLAY=:0"), QStringLiteral("WAYLAND_DISPLAY=wayland-1")} << true;
        QTest::newRow("session type only") << QStringList {QStringLiteral("XDG_SESSION_TYPE=wayland")} << true;
        QTest::newRow("x11 session type") << QStringList {QStringLiteral("XDG_SESSION_TYPE=x11"), QStringLiteral("DISPLAY=:1")} << false;
        QTest::newRow("empty WAYLAND_DISPLAY") << QStringList {QStringLiteral("WAYLAND_DISPLAY="), QStringLiteral("DISPLAY=:0")} << false;
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
};

LARKSPAN_TEST_MAIN(TestWaylandAppName, QCoreApplication)
#include "tst_wayland_app_name.moc"
