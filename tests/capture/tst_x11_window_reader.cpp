#include "TestHome.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "X11WindowReader.h"

#include <memory>

namespace {

// A window of the x11_test_window helper, with the id it printed once mapped.
struct TestWindow {
    std::unique_ptr<QProcess> process;
    unsigned long id = 0;

    qint64 pid() const { return process ? process->processId() : 0; }
};

TestWindow showWindow(const QStringList& arguments)
{
    TestWindow window;
    window.process = std::make_unique<QProcess>();
    window.process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    window.process->start(QCoreApplication::applicationDirPath() + QStringLiteral("/x11_test_window"), arguments);
    if (window.process->waitForStarted(5000)) {
        QElapsedTimer timer;
        timer.start();
        while (!window.process->canReadLine() && timer.elapsed() < 10000)
            window.process->waitForReadyRead(500);
        window.id = window.process->readLine().trimmed().toULong();
    }
    return window;
}

void closeWindow(TestWindow& window)
{
    window.process->kill();
    window.process->waitForFinished(5000);
}

const QString unicodeTitle = QStringLiteral("Café – 東京 🎉 naïve");

} // namespace

class TestX11WindowReader : public QObject
{
    Q_OBJECT

private slots:
    void noDisplayMeansNothingFound()
    {
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        X11WindowReader reader;
        QVERIFY(!reader.readForegroundWindow().found());
        int x = -7;
        int y = -7;
        QVERIFY(!reader.cursorPosition(x, y));
        QCOMPARE(x, -7);
        QCOMPARE(y, -7);
        qputenv("DISPLAY", display);
    }

    void activeWindowUnderWindowManager_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("title");

        QTest::newRow("utf-8 _NET_WM_NAME") << QStringList {QStringLiteral("--title"), unicodeTitle} << unicodeTitle;
        // Without _NET_WM_PID the server names the process.
        QTest::newRow("no _NET_WM_PID") << QStringList {QStringLiteral("--title"), unicodeTitle,
                                                        QStringLiteral("--no-pid")}
                                        << unicodeTitle;
        QTest::newRow("latin-1 WM_NAME") << QStringList {QStringLiteral("--wm-name-latin1"),
                                                         QStringLiteral("Crème brûlée à la carte")}
                                         << QStringLiteral("Crème brûlée à la carte");
        QTest::newRow("compound text WM_NAME")
            << QStringList {QStringLiteral("--wm-name-compound"), QStringLiteral("Grüße aus 東京")}
            << QStringLiteral("Grüße aus 東京");
        QTest::newRow("empty _NET_WM_NAME")
            << QStringList {QStringLiteral("--title"), QString()} << QStringLiteral("legacy");
        QTest::newRow("no title") << QStringList {QStringLiteral("--wm-name-latin1"), QString()} << QString();
        // Titles are cut at 511 units, between whole characters.
        const QString rocket = QString::fromUtf8("🚀");
        QTest::newRow("long utf-8 title")
            << QStringList {QStringLiteral("--title"), rocket.repeated(5000)} << rocket.repeated(255);
        QTest::newRow("long latin-1 WM_NAME")
            << QStringList {QStringLiteral("--wm-name-latin1"), QStringLiteral("é").repeated(5000)}
            << QStringLiteral("é").repeated(511);
    }

    void activeWindowUnderWindowManager()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, title);

        XvfbSession session(XvfbSession::WindowManager::Openbox);
        QVERIFY2(session.isRunning() && session.errorString().isEmpty(), qPrintable(session.errorString()));
        X11WindowReader reader;
        // An empty desktop has no active window.
        QVERIFY(!reader.readForegroundWindow().found());

        TestWindow window = showWindow(arguments);
        QVERIFY(window.id != 0);
        QTRY_COMPARE(reader.readForegroundWindow().window, window.id);

        const X11ForegroundWindow found = reader.readForegroundWindow();
        QCOMPARE(found.title, title);
        QCOMPARE(found.pid, window.pid());
        QCOMPARE(found.appName, QStringLiteral("x11_test_window"));
        closeWindow(window);
    }

    void followsActivationBetweenWindows()
    {
        XvfbSession session(XvfbSession::WindowManager::Openbox);
        QVERIFY2(session.isRunning() && session.errorString().isEmpty(), qPrintable(session.errorString()));
        X11WindowReader reader;
        TestWindow first = showWindow({QStringLiteral("--title"), QStringLiteral("first")});
        TestWindow second = showWindow({QStringLiteral("--title"), QStringLiteral("second")});
        QVERIFY(first.id != 0 && second.id != 0);

        QVERIFY(session.xdotool({QStringLiteral("windowactivate"), QString::number(first.id)}));
        QTRY_COMPARE(reader.readForegroundWindow().title, QStringLiteral("first"));
        QVERIFY(session.xdotool({QStringLiteral("windowactivate"), QString::number(second.id)}));
        QTRY_COMPARE(reader.readForegroundWindow().title, QStringLiteral("second"));
        closeWindow(first);
        closeWindow(second);
    }

    void focusedChildLeadsToItsTopLevelWithoutWindowManager()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        X11WindowReader reader;
        TestWindow window = showWindow({QStringLiteral("--title"), unicodeTitle, QStringLiteral("--focus-child")});
        QVERIFY(window.id != 0);

        const X11ForegroundWindow found = reader.readForegroundWindow();
        QCOMPARE(found.window, window.id);
        QCOMPARE(found.title, unicodeTitle);
        QCOMPARE(found.pid, window.pid());
        QCOMPARE(found.appName, QStringLiteral("x11_test_window"));
        closeWindow(window);
    }

    void pointerPicksTheWindowWhenFocusFollowsIt()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        X11WindowReader reader;
        // Mapped at (100, 100), 400 x 300; the focus stays on PointerRoot.
        TestWindow window = showWindow({QStringLiteral("--title"), QStringLiteral("under the pointer")});
        QVERIFY(window.id != 0);

        QVERIFY(session.xdotool({QStringLiteral("mousemove"), QStringLiteral("200"), QStringLiteral("200")}));
        QCOMPARE(reader.readForegroundWindow().window, window.id);
        QVERIFY(session.xdotool({QStringLiteral("mousemove"), QStringLiteral("900"), QStringLiteral("900")}));
        QVERIFY(!reader.readForegroundWindow().found());
        closeWindow(window);
    }

    void destroyedWindowLeavesFieldsEmpty()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        X11WindowReader reader;
        TestWindow window = showWindow({QStringLiteral("--title"), QStringLiteral("short-lived")});
        QVERIFY(window.id != 0);
        QCOMPARE(reader.readWindow(window.id).title, QStringLiteral("short-lived"));

        closeWindow(window);
        // The server destroys the window once it sees the client's connection close.
        QTRY_VERIFY(reader.readWindow(window.id).title.isEmpty());
        const X11ForegroundWindow gone = reader.readWindow(window.id);
        QCOMPARE(gone.pid, 0);
        QVERIFY(gone.appName.isEmpty());
        // The connection survived the errors.
        int x = 0;
        int y = 0;
        QVERIFY(reader.cursorPosition(x, y));
    }

    void windowsVanishingMidReadNeverBreakTheReader()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        // Poses as a window manager whose active window is destroyed right after it is
        // announced, so reads keep landing between two requests on a dying window.
        TestWindow churn = showWindow({QStringLiteral("--churn")});
        QVERIFY(churn.id != 0);

        X11WindowReader reader;
        int complete = 0;
        int vanished = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 2000 && timer.elapsed() < 20000; ++i) {
            const X11ForegroundWindow found = reader.readForegroundWindow();
            if (!found.title.isEmpty())
                QVERIFY2(found.title.startsWith(QStringLiteral("churn ")), qPrintable(found.title));
            // The server still names the owner of a window id it just destroyed.
            if (found.pid != 0) {
                QCOMPARE(found.pid, churn.pid());
                QCOMPARE(found.appName, QStringLiteral("x11_test_window"));
            }
            if (!found.title.isEmpty() && found.pid != 0)
                ++complete;
            else if (found.found() && found.title.isEmpty())
                ++vanished;
        }
        QVERIFY2(churn.process->state() == QProcess::Running, "the churning client died");
        // Reads must have caught both live and vanished windows, or the race was never
        // exercised.
        QVERIFY2(complete > 0 && vanished > 0,
                 qPrintable(QStringLiteral("%1 complete, %2 vanished").arg(complete).arg(vanished)));
        closeWindow(churn);
    }

    void cursorPositionFollowsThePointer()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        X11WindowReader reader;
        int x = -1;
        int y = -1;
        QVERIFY(session.xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("200")}));
        QVERIFY(reader.cursorPosition(x, y));
        QCOMPARE(x, 100);
        QCOMPARE(y, 200);
        QVERIFY(session.xdotool({QStringLiteral("mousemove"), QStringLiteral("1279"), QStringLiteral("0")}));
        QVERIFY(reader.cursorPosition(x, y));
        QCOMPARE(x, 1279);
        QCOMPARE(y, 0);
    }

    void survivesTheXServerGoingAway()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        X11WindowReader reader;
        int x = 0;
        int y = 0;
        QVERIFY(reader.cursorPosition(x, y));

        session.killServer();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!reader.readForegroundWindow().found());
        QVERIFY(!reader.cursorPosition(x, y));
        QVERIFY(!reader.readWindow(1).found());
        // Answers without waiting on the lost server (any wait on it would never end).
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    }
};

LARKSPAN_TEST_MAIN(TestX11WindowReader, QCoreApplication)
#include "tst_x11_window_reader.moc"
