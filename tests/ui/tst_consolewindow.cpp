#include "ConsoleWindow.h"
#include "DevServerProcess.h"
#include "GraphicsSetup.h"
#include "PrefDialog.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "SyncTestSupport.h"
#include "TestHome.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

namespace {

bool mapped(const char* library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

QWidget* webView(ConsoleWindow& window)
{
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->inherits("QWebEngineView"))
            return widget;
    }
    return nullptr;
}

// The web engine's page processes started by this process.
int rendererProcesses()
{
    const qint64 self = QCoreApplication::applicationPid();
    int count = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toLongLong() <= 0 || !cmdline.open(QIODevice::ReadOnly)
            || !cmdline.readAll().contains("--type=renderer"))
            continue;
        for (qint64 up = entry.toLongLong(); up > 1;) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(up));
            if (!stat.open(QIODevice::ReadOnly))
                break;
            const QByteArray text = stat.readAll();
            up = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
            if (up == self) {
                ++count;
                break;
            }
        }
    }
    return count;
}

} // namespace

// The review console on a real X server (Xvfb), set up as main() sets up the program: the
// browser comes only with the first opening, and neither it nor the dialogs load Mesa.
class TestConsoleWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"), "programs we start must not inherit it");
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        SyncTest::useServer(server);
        QtLog::init();
        QtLog::getConf().setLogLevel(QtDebugMsg);
        QtLog::getConf().setFileName(QStringLiteral("Larkspan.log"));
        SyncTest::logInAndStore(server, QStringLiteral("dana"));
        consoleUrl =
            AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/") + UserInfo::load().refreshToken();
    }

    void consolePageLoadsOnceWithoutOpenGl()
    {
        PrefDialog dialog(nullptr, nullptr);
        dialog.show();
        ConsoleWindow window;
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!webView(window));
        QVERIFY(!mapped("libQt5WebEngineCore"));

        window.openConsole(consoleUrl);
        QWidget* view = webView(window);
        QVERIFY(view);
        QSignalSpy started(view, SIGNAL(loadStarted()));
        QSignalSpy progress(view, SIGNAL(loadProgress(int)));
        QSignalSpy finished(view, SIGNAL(loadFinished(bool)));
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().first().toBool(), true);
        QCOMPARE(progress.last().first().toInt(), 100);
        QCOMPARE(view->property("title").toString(), QStringLiteral("Larkspan console"));
        QVERIFY(window.findChild<QStatusBar*>(QStringLiteral("statusbar"))->isHidden());
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!mapped("libGLX_mesa") && !mapped("_dri.so"));

        // Reopened from the tray with the same address: shown again, not reloaded.
        window.close();
        QVERIFY(window.isHidden());
        started.clear();
        window.openConsole(consoleUrl);
        QVERIFY(window.isVisible());
        QTest::qWait(300);
        QCOMPARE(started.count(), 0);

        // An address typed into the bar is loaded; the tray's address then loads again.
        auto* address = window.findChild<QLineEdit*>(QStringLiteral("lineEdit"));
        address->setText(AppConstants::serverBaseUrl() + QStringLiteral("/help"));
        QTest::keyClick(address, Qt::Key_Return);
        QVERIFY(finished.wait(30000));
        QCOMPARE(view->property("title").toString(), QStringLiteral("Larkspan help"));
        window.openConsole(consoleUrl);
        QVERIFY(finished.wait(30000));
        QCOMPARE(view->property("title").toString(), QStringLiteral("Larkspan console"));

        // The log goes out with diagnostics: the console address is logged without the token.
        QtLog::getConf().flush();
        QFile log(QtLog::getConf().getLogFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("openConsole: url="));
        QVERIFY(!text.contains(UserInfo::load().refreshToken().toUtf8()));
    }

    void keyboardShortcuts()
    {
        ConsoleWindow window;
        window.openConsole(consoleUrl);
        auto* address = window.findChild<QLineEdit*>(QStringLiteral("lineEdit"));
        QVERIFY(address->isHidden());
        QTest::keyClick(&window, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(address->isHidden());
        QTest::keyClick(&window, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(address->isVisible());
        QTest::keyClick(&window, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(address->isHidden());
        QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(window.isHidden());
        QVERIFY(webView(window));
    }

    // A netbook's 1024x600 screen under a window manager: the console, made for 1280x650,
    // opens whole on it, title bar and buttons included.
    void consoleFitsASmallScreen()
    {
        ConsoleWindow window;
        window.openConsole(consoleUrl);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), QSize(1024, 600));
        // The frame arrives with the window manager's answer.
        QTRY_VERIFY(window.frameGeometry() != window.geometry());
        QVERIFY2(area.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())));
    }

    // A console closed for a while gives the browser and its page processes back; the next
    // opening builds them again and shows the page.
    void closedConsoleReleasesItsBrowser()
    {
        ConsoleWindow window;
        window.setReleaseDelay(300);
        window.openConsole(consoleUrl);
        QSignalSpy finished(webView(window), SIGNAL(loadFinished(bool)));
        QVERIFY(finished.wait(30000));
        QVERIFY(rendererProcesses() > 0);

        window.close();
        QTRY_VERIFY_WITH_TIMEOUT(!webView(window), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(rendererProcesses(), 0, 20000);

        window.openConsole(consoleUrl);
        QWidget* view = webView(window);
        QVERIFY(view);
        QSignalSpy loaded(view, SIGNAL(loadFinished(bool)));
        QVERIFY(loaded.wait(30000));
        QCOMPARE(view->property("title").toString(), QStringLiteral("Larkspan console"));
        QVERIFY(window.isVisible());
    }

private:
    DevServerProcess server;
    QString consoleUrl;
};

int main(int argc, char* argv[])
{
    TestHome home;
    XvfbSession xvfb(XvfbSession::WindowManager::Openbox, QSize(1024, 600));
    if (!xvfb.isRunning()) {
        qWarning("SKIP: no X server: %s", qPrintable(xvfb.errorString()));
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("QT_XCB_GL_INTEGRATION");
    GraphicsSetup::configureBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationName(QStringLiteral("Larkspan"));
    TestConsoleWindow tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_consolewindow.moc"
