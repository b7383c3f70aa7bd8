#include "ConsoleWindow.h"
#include "TestHome.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QUrl>
#include <QtTest>

namespace {

bool webEngineLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt5WebEngineCore");
}

QWidget* webView(ConsoleWindow& window)
{
    const auto widgets = window.findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (widget->inherits("QWebEngineView"))
            return widget;
    }
    return nullptr;
}

QString page(const char* title)
{
    return QStringLiteral("data:text/html,<title>%1</title><p>%1</p>").arg(QLatin1String(title));
}

} // namespace

class TestConsoleWindow : public QObject
{
    Q_OBJECT
private slots:
    void browserIsBuiltOnFirstOpening()
    {
        ConsoleWindow window;
        QVERIFY(!webView(window));
        QVERIFY(!webEngineLoaded());
        QVERIFY(window.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->isHidden());

        window.openConsole(page("first"));
        QVERIFY(webView(window));
        QVERIFY(webEngineLoaded());
        QVERIFY(window.isVisible());
    }

    void sameAddressIsNotReloaded()
    {
        ConsoleWindow window;
        window.openConsole(page("console"));
        QWidget* view = webView(window);
        QSignalSpy started(view, SIGNAL(loadStarted()));
        QSignalSpy finished(view, SIGNAL(loadFinished(bool)));
        QVERIFY(finished.wait(20000));
        auto* statusBar = window.findChild<QStatusBar*>(QStringLiteral("statusbar"));
        QVERIFY(statusBar->isHidden());
        started.clear();

        window.close();
        QVERIFY(window.isHidden());
        window.openConsole(page("console"));
        QVERIFY(window.isVisible());
        QTest::qWait(300);
        QCOMPARE(started.count(), 0);

        // An address typed into the bar is loaded; the tray's address then loads again.
        auto* address = window.findChild<QLineEdit*>(QStringLiteral("lineEdit"));
        address->setText(page("typed"));
        QTest::keyClick(address, Qt::Key_Return);
        QVERIFY(finished.wait(20000));
        QCOMPARE(view->property("url").toUrl(), QUrl(page("typed")));
        window.openConsole(page("console"));
        QVERIFY(finished.wait(20000));
        QCOMPARE(view->property("url").toUrl(), QUrl(page("console")));
        QCOMPARE(started.count(), 2);
    }

    void keyboardShortcuts()
    {
        ConsoleWindow window;
        window.openConsole(page("keys"));
        auto* address = window.findChild<QLineEdit*>(QStringLiteral("lineEdit"));

        QTest::keyClick(&window, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(address->isHidden());
        QTest::keyClick(&window, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(address->isVisible());
        QTest::keyClick(&window, Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(address->isHidden());

        QTest::keyClick(&window, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(window.isHidden());
        QVERIFY(webView(window)); // closing keeps the page
    }
};

LARKSPAN_TEST_MAIN(TestConsoleWindow, QApplication)
#include "tst_consolewindow.moc"
