#include "GnomeShellFocus.h"
#include "SessionBus.h"
#include "TestHome.h"

#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Stands in for the shell around the extension: a display whose focus and windows a script
// changes, the shell's name on the bus, and the main loop. The extension itself is the
// shipped code, as the build writes it for each shell generation.
const char* const kHarness = R"JS(
const Window = GObject.registerClass({
    Properties: {
        'title': GObject.ParamSpec.string('title', '', '', GObject.ParamFlags.READWRITE, ''),
        'wm-class': GObject.ParamSpec.string('wm-class', '', '', GObject.ParamFlags.READWRITE, ''),
    },
}, class Window extends GObject.Object {
    get_pid() { return this.pid; }
    get_title() { return this.title; }
    get_wm_class() { return this.wm_class; }
});
const Display = GObject.registerClass({
    Properties: {
        'focus-window': GObject.ParamSpec.object('focus-window', '', '', GObject.ParamFlags.READWRITE, GObject.Object),
    },
}, class Display extends GObject.Object {
    get focus_window() { return this._focus ?? null; }
    set focus_window(window) { this._focus = window; this.notify('focus-window'); }
});
globalThis.global = {display: new Display()};

const notes = new Window({title: 'Notes', wm_class: 'org.example.Notes'});
notes.pid = 4242;
const mail = new Window({title: 'Inbox', wm_class: 'org.example.Mail'});
mail.pid = 0;
global.display.focus_window = notes;

const loop = new GLib.MainLoop(null, false);
Gio.bus_own_name_on_connection(Gio.DBus.session, 'org.gnome.Shell', Gio.BusNameOwnerFlags.NONE, () => {
    const extension = makeExtension();
    extension.enable();
    print('enabled');
    // One step per line the test writes: the user's focus and titles change.
    const input = new Gio.DataInputStream({base_stream: new Gio.UnixInputStream({fd: 0})});
    const next = () => input.read_line_async(GLib.PRIORITY_DEFAULT, null, (stream, result) => {
        const [line] = stream.read_line_finish_utf8(result);
        if (line === null || line === 'quit') {
            loop.quit();
            return;
        }
        if (line === 'rename')
            notes.title = 'Notes – renamed';
        else if (line === 'mail')
            global.display.focus_window = mail;
        else if (line === 'nothing')
            global.display.focus_window = null;
        else if (line === 'disable')
            extension.disable();
        print(line);
        next();
    });
    next();
}, null);
loop.run();
)JS";

} // namespace

class TestGnomeExtension : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<SessionBus> _bus;
    QTemporaryDir _dir;

    // The extension as the build writes it for one generation of the shell, with its harness.
    QString prepare(const QString& variant)
    {
        const QString source = qEnvironmentVariable("LARKSPAN_SOURCE_DIR")
            + QStringLiteral("/data/gnome-shell/larkspan-focus@corvane.com/");
        QFile reporter(source + QStringLiteral("FocusReporter.js"));
        QFile shell(source + variant);
        if (!reporter.open(QIODevice::ReadOnly) || !shell.open(QIODevice::ReadOnly))
            return QString();
        QByteArray text = shell.readAll().replace("@FOCUS_REPORTER@", reporter.readAll());
        QByteArray harness = kHarness;
        QString main;
        if (variant == QLatin1String("module.js")) {
            // The shell's base class is the shell's own: a bare one stands in.
            text.replace("resource:///org/gnome/shell/extensions/extension.js", "./stub.js");
            QFile stub(_dir.filePath(QStringLiteral("stub.js")));
            stub.open(QIODevice::WriteOnly);
            stub.write("export class Extension {}\n");
            harness.prepend("import GObject from 'gi://GObject';\nimport Gio from 'gi://Gio';\n"
                            "import GLib from 'gi://GLib';\n"
                            "import Extension from './extension.js';\n"
                            "const makeExtension = () => new Extension();\n");
        } else {
            harness.prepend("const {GObject, Gio, GLib} = imports.gi;\n"
                            "imports.searchPath.unshift('"
                            + _dir.path().toUtf8()
                            + "');\n"
                              "const makeExtension = () => imports.extension.init();\n");
        }
        QFile extension(_dir.filePath(QStringLiteral("extension.js")));
        QFile harnessFile(_dir.filePath(QStringLiteral("harness.js")));
        if (!extension.open(QIODevice::WriteOnly) || !harnessFile.open(QIODevice::WriteOnly))
            return QString();
        extension.write(text);
        harnessFile.write(harness);
        return harnessFile.fileName();
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gjs")).isEmpty())
            QFAIL("gjs is missing (scripts/deps.sh installs it)");
        _bus = std::make_unique<SessionBus>();
        if (!_bus->isRunning())
            QSKIP(qPrintable(QStringLiteral("no private bus: ") + _bus->errorString()));
    }

    void cleanupTestCase() { _bus.reset(); }

    void reportsFocusAndTitleChanges_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::newRow("GNOME 43 and 44") << QStringLiteral("legacy.js");
        QTest::newRow("GNOME 45 and later") << QStringLiteral("module.js");
    }

    // What Larkspan hears from the extension: the window in front at start, its new title,
    // the next window, no window, and nothing at all once the extension is disabled.
    void reportsFocusAndTitleChanges()
    {
        QFETCH(QString, variant);
        const QString harness = prepare(variant);
        QVERIFY(!harness.isEmpty());
        QProcess shell;
        shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments;
        if (variant == QLatin1String("module.js"))
            arguments << QStringLiteral("-m");
        shell.start(QStringLiteral("gjs"), arguments << harness);
        QVERIFY(shell.waitForReadyRead(10000));
        QCOMPARE(shell.readLine().trimmed(), QByteArray("enabled"));

        int missing = 0;
        GnomeShellFocus focus(QDBusConnection::sessionBus(), [&missing] { ++missing; });
        focus.start();
        QCOMPARE(missing, 0);
        ReportedWindow window = focus.focusedWindow();
        QVERIFY(window.found);
        QCOMPARE(window.pid, qint64(4242));
        QCOMPARE(window.windowClass, QStringLiteral("org.example.Notes"));
        QCOMPARE(window.title, QStringLiteral("Notes"));

        const auto step = [&shell](const char* line) {
            shell.write(QByteArray(line) + '\n');
            return shell.waitForReadyRead(5000) && shell.readLine().trimmed() == line;
        };
        QVERIFY(step("rename"));
        QTRY_COMPARE(focus.focusedWindow().title, QString::fromUtf8("Notes – renamed"));
        QVERIFY(step("mail"));
        QTRY_COMPARE(focus.focusedWindow().title, QStringLiteral("Inbox"));
        QCOMPARE(focus.focusedWindow().pid, qint64(0));
        QCOMPARE(focus.focusedWindow().windowClass, QStringLiteral("org.example.Mail"));
        QVERIFY(step("nothing"));
        QTRY_VERIFY(!focus.focusedWindow().found);
        QVERIFY(step("mail"));
        QTRY_VERIFY(focus.focusedWindow().found);
        // Disabled, it says "no window" rather than leave the last one standing.
        QVERIFY(step("disable"));
        QTRY_VERIFY(!focus.focusedWindow().found);
        shell.write("quit\n");
        QVERIFY(shell.waitForFinished(5000));
        QCOMPARE(shell.exitCode(), 0);
        focus.stop();
    }
};

LARKSPAN_TEST_MAIN(TestGnomeExtension, QCoreApplication)
#include "tst_gnome_extension.moc"
