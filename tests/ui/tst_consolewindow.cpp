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
        consoleUrl = AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/") + UserInfo::load().refreshToken();
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

private:
    DevServerProcess server;
    QString consoleUrl;
};

int main(int argc, char* argv[])
{
    TestHome home;
    XvfbSession xvfb;
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
