#include "AppSignals.h"
#include "ConsoleWindow.h"
#include "FeedbackDialog.h"
#include "OfflineWindow.h"
#include "PrefDialog.h"
#include "TestHome.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <QtTest>

namespace {

QWidget* make(int kind)
{
    switch (kind) {
    case 0: {
        const QDateTime now = QDateTime::currentDateTime();
        auto* prompt = new OfflineWindow(now.addSecs(-1800), now);
        // The tray deletes a closed prompt.
        QObject::connect(prompt, &OfflineWindow::closed, prompt, &QObject::deleteLater);
        return prompt;
    }
    case 1:
        return new PrefDialog(nullptr, nullptr);
    case 2:
        return new ConsoleWindow;
    default:
        return new FeedbackDialog;
    }
}

} // namespace

// Larkspan lives in the tray: most of the time one of these windows is the only one on
// screen, and closing it must leave the program running.
class TestWindowClosing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        AppSignals::init(qApp);
        QVERIFY(qApp->quitOnLastWindowClosed()); // the strictest setting
    }

    void closingTheOnlyWindowKeepsTheProgram_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("manual time prompt") << 0;
        QTest::newRow("preferences") << 1;
        QTest::newRow("console") << 2;
        QTest::newRow("diagnostics") << 3;
    }

    void closingTheOnlyWindowKeepsTheProgram()
    {
        QFETCH(int, kind);
        QPointer<QWidget> window = make(kind);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        QTimer::singleShot(0, window, [window] { window->windowHandle()->close(); });
        QTimer::singleShot(300, qApp, [] { QCoreApplication::exit(42); });
        QCOMPARE(qApp->exec(), 42);
        if (window) {
            QVERIFY(window->isHidden());
            delete window;
        }
    }

    // The login window is the program's main window: closing it ends Larkspan, whichever of
    // these windows are open beside it (a window that refuses to close stops the toolkit's
    // quit, and a desktop logout too).
    void closingTheMainWindowStillEndsTheProgram()
    {
        QMainWindow loginWindow;
        loginWindow.show();
        QList<QPointer<QWidget>> others;
        for (int kind : {0, 0, 1, 2, 3}) {
            others << make(kind);
            others.last()->show();
        }
        QVERIFY(QTest::qWaitForWindowExposed(&loginWindow));

        QTimer::singleShot(0, &loginWindow, [&loginWindow] { loginWindow.windowHandle()->close(); });
        QTimer::singleShot(2000, qApp, [] { QCoreApplication::exit(42); });
        QCOMPARE(qApp->exec(), 0);
        for (const QPointer<QWidget>& window : others)
            delete window.data();
    }
};

LARKSPAN_TEST_MAIN(TestWindowClosing, QApplication)
#include "tst_windowclosing.moc"
