#include "AppSignals.h"
#include "DevServerProcess.h"
#include "FeedbackDialog.h"
#include "SyncTestSupport.h"
#include "TestHome.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace SyncTest;

// The diagnostics dialog against the reference server, as a user sends a report.
class TestFeedbackDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        AppSignals::init(qApp);
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        useServer(server);
    }

    void failureKeepsTheComment_data()
    {
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server error") << QStringLiteral("feedbackResult=FEEDBACK_SERVER_ERROR")
                                      << QStringLiteral("Failed to send diagnostics: Server error");
        QTest::newRow("status 500") << QStringLiteral("fail=feedback:500") << QString();
    }

    void failureKeepsTheComment()
    {
        QFETCH(QString, behaviour);
        QFETCH(QString, reason);
        behave(server, behaviour);
        FeedbackDialog dialog;
        dialog.showDialog();
        auto* text = dialog.findChild<QTextEdit*>(QStringLiteral("textEdit"));
        auto* send = dialog.findChild<QPushButton*>(QStringLiteral("btnSend"));
        auto* status = dialog.findChild<QLabel*>(QStringLiteral("labelStatus"));
        QVERIFY(status->isHidden());

        text->setPlainText(QStringLiteral("The tray icon vanished after lunch."));
        QTest::mouseClick(send, Qt::LeftButton);
        QVERIFY(!send->isEnabled());
        QVERIFY(!text->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(send->isEnabled(), 15000);
        QVERIFY(dialog.isVisible());
        QVERIFY(text->isEnabled());
        QCOMPARE(text->toPlainText(), QStringLiteral("The tray icon vanished after lunch."));
        QVERIFY(status->isVisible());
        QCOMPARE(status->styleSheet(), QStringLiteral("color: rgb(255, 0, 0)"));
        QVERIFY(!status->text().isEmpty());
        if (!reason.isEmpty())
            QCOMPARE(status->text(), reason);
    }

    void successClosesAndReopensEmpty()
    {
        behave(server, QStringLiteral("reset=1"));
        FeedbackDialog dialog;
        dialog.showDialog();
        auto* text = dialog.findChild<QTextEdit*>(QStringLiteral("textEdit"));
        auto* send = dialog.findChild<QPushButton*>(QStringLiteral("btnSend"));
        text->setPlainText(QStringLiteral("Works well, thanks."));
        QTest::mouseClick(send, Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(dialog.isHidden(), 15000);
        QVERIFY(send->isEnabled());
        const QJsonArray reports =
            requestJson("GET", server.url(QStringLiteral("/dev/feedback"))).value(QStringLiteral("feedback")).toArray();
        QVERIFY(!reports.isEmpty());
        QCOMPARE(reports.last().toObject().value(QStringLiteral("user_message")).toString(),
                 QStringLiteral("Works well, thanks."));

        dialog.showDialog();
        QVERIFY(dialog.isVisible());
        QVERIFY(text->toPlainText().isEmpty());
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("labelStatus"))->isHidden());
    }

    // Tab leaves the comment for the button, Escape closes the dialog as its close button does.
    void keyboardMovesOnAndCloses()
    {
        FeedbackDialog dialog;
        dialog.showDialog();
        auto* text = dialog.findChild<QTextEdit*>(QStringLiteral("textEdit"));
        text->setFocus();
        QTest::keyClicks(text, QStringLiteral("Slow"));
        QTest::keyClick(text, Qt::Key_Tab);
        QCOMPARE(text->toPlainText(), QStringLiteral("Slow"));
        QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton*>(QStringLiteral("btnSend")));
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
        QVERIFY(dialog.isHidden());
    }

private:
    DevServerProcess server;
};

LARKSPAN_TEST_MAIN(TestFeedbackDialog, QApplication)
#include "tst_feedbackdialog.moc"
