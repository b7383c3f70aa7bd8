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
#include <QtTest>

namespace {

QByteArray mappedFiles()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

// Mesa's GLX vendor library and its software rasteriser: what an X11 GL context brings in.
bool openGlStackLoaded()
{
    const QByteArray maps = mappedFiles();
    return maps.contains("libGLX_mesa") || maps.contains("_dri.so");
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

// The program's windows on a real X server (Xvfb), set up as main() sets up the program:
// no OpenGL stack, yet the embedded console renders the reference server's console page.
class TestConsoleBrowser : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"),
                 "the GL choice must not reach programs we start");
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        SyncTest::useServer(server);
        QtLog::init();
        QtLog::getConf().setLogLevel(QtDebugMsg);
        QtLog::getConf().setFileName(QStringLiteral("Larkspan.log"));
    }

    void dialogsDoNotLoadOpenGl()
    {
        PrefDialog dialog(nullptr, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!openGlStackLoaded());
    }

    void consolePageOfAStoredUserLoads()
    {
        SyncTest::logInAndStore(server, QStringLiteral("dana"));
        const QString url = AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/")
            + UserInfo::load().refreshToken();
        QVERIFY(!UserInfo::load().refreshToken().isEmpty());

        ConsoleWindow window;
        window.openConsole(url);
        QWidget* view = webView(window);
        QVERIFY(view);
        QSignalSpy progress(view, SIGNAL(loadProgress(int)));
        QSignalSpy finished(view, SIGNAL(loadFinished(bool)));
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.first().first().toBool(), true);
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().first().toInt(), 100);
        QCOMPARE(view->property("title").toString(), QStringLiteral("Larkspan console"));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(500);
        QVERIFY(!openGlStackLoaded());

        // The help page the tray opens renders in the same browser.
        window.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->setText(AppConstants::serverBaseUrl() + QStringLiteral("/help"));
        QTest::keyClick(window.findChild<QLineEdit*>(QStringLiteral("lineEdit")), Qt::Key_Return);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.last().first().toBool(), true);
        QCOMPARE(view->property("title").toString(), QStringLiteral("Larkspan help"));

        // The log goes out with diagnostics: the console address is logged without the token.
        QtLog::getConf().flush();
        QFile log(QtLog::getConf().getLogFilePath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.contains("openConsole: url="));
        QVERIFY(!text.contains(UserInfo::load().refreshToken().toUtf8()));
    }

private:
    DevServerProcess server;
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
    TestConsoleBrowser tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_consolebrowser.moc"
