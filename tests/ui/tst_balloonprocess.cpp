#include "BalloonNotice.h"
#include "BalloonProcess.h"
#include "TestHome.h"
#include "XvfbSession.h"

#include <QApplication>
#include <QtTest>

#include <memory>

// The tray's own balloon, drawn by the larkspan-balloon helper on a private X display: where
// it appears, that a newer notice replaces it, and that it never outlives its time, a click
// or the program.
namespace {

const QSize kScreen(1280, 800);

// The shown balloons: windows of the program's class on the display.
QList<QRect> balloons(const XvfbSession& x)
{
    return x.shownWindows(QStringLiteral("Larkspan"));
}

BalloonNotice notice(const QString& title, const QPoint& anchor, int msecs = 30000)
{
    BalloonNotice n;
    n.title = title;
    n.message = QStringLiteral("Click on the Larkspan icon in system tray to view your activity summary.");
    n.msecs = msecs;
    n.anchor = anchor;
    return n;
}

const auto kNoFallback = [](const BalloonNotice&) { QFAIL("the helper did not start"); };

} // namespace

class TestBalloonProcess : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        _x = std::make_unique<XvfbSession>(XvfbSession::WindowManager::None, kScreen);
        QVERIFY2(_x->isRunning(), qPrintable(_x->errorString()));
        // The helper inherits the program's platform; this test's own is offscreen.
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    void cleanup()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        _x.reset();
    }

    void shownWholeAtTheIconAndReplacedByTheNext()
    {
        BalloonProcess process(nullptr);
        // Under an icon at the top right: its right edge in line with the icon's.
        QVERIFY(process.show(notice(QStringLiteral("First"), QPoint(1279, 25)), kNoFallback));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 1, 10000);
        const QRect first = balloons(*_x).constFirst();
        QCOMPARE(first.right(), 1279);
        QCOMPARE(first.top(), 25);
        QVERIFY(!_x->windowId(QStringLiteral("^First$")).isEmpty());

        // A long text at the bottom left wraps to a third of the screen and stays on it,
        // and the first balloon goes: never two at once.
        BalloonNotice second = notice(QStringLiteral("Second"), QPoint(0, kScreen.height() - 1));
        second.message = QStringLiteral("A notice with a long text. ").repeated(30);
        QVERIFY(process.show(second, kNoFallback));
        QTRY_VERIFY_WITH_TIMEOUT(!_x->windowId(QStringLiteral("^Second$")).isEmpty(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 1, 5000);
        const QRect shown = balloons(*_x).constFirst();
        QCOMPARE(shown.left(), 0);
        QCOMPARE(shown.bottom(), kScreen.height() - 1);
        QVERIFY2(shown.width() <= kScreen.width() / 3 + 60 && shown.height() < kScreen.height() / 2,
                 qPrintable(QStringLiteral("%1x%2").arg(shown.width()).arg(shown.height())));
    }

    void goesAfterItsTimeOnAClickAndWithTheProgram()
    {
        auto process = std::make_unique<BalloonProcess>(nullptr);
        QVERIFY(process->show(notice(QStringLiteral("Brief"), QPoint(640, 400), 1500), kNoFallback));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 0, 5000);

        QVERIFY(process->show(notice(QStringLiteral("Clicked"), QPoint(640, 400)), kNoFallback));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 1, 10000);
        const QPoint inside = balloons(*_x).constFirst().center();
        QVERIFY(_x->xdotool({QStringLiteral("mousemove"), QString::number(inside.x()), QString::number(inside.y()),
                             QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 0, 5000);

        // Taken away by the program, and at its end (its side of the pipe closes, however it
        // ends): at once, not when the balloon's time is up.
        QVERIFY(process->show(notice(QStringLiteral("Taken away"), QPoint(640, 400)), kNoFallback));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 1, 10000);
        process->takeAway();
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 0, 3000);
        QVERIFY(process->show(notice(QStringLiteral("Last"), QPoint(640, 400)), kNoFallback));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 1, 10000);
        QElapsedTimer ending;
        ending.start();
        process.reset();
        QVERIFY2(ending.elapsed() < 2000, qPrintable(QString::number(ending.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(balloons(*_x).size(), 0, 3000);
    }

    // What reaches the helper is bounded: no balloon larger than a screen or that stays,
    // and input that holds no notice shows nothing.
    void refusesWhatIsNoNotice()
    {
        BalloonNotice odd;
        QVERIFY(BalloonNotice::fromLine(R"({"icon":17,"title":"t","message":")" + QByteArray(9000, 'm')
                                            + R"(","msecs":999999999,"x":5,"y":6})",
                                        &odd));
        QCOMPARE(odd.icon, QSystemTrayIcon::Information);
        QCOMPARE(odd.message.size(), BalloonNotice::kMaxTextLength);
        QCOMPARE(odd.msecs, BalloonNotice::kMaxMsecs);
        QCOMPARE(odd.anchor, QPoint(5, 6));
        BalloonNotice roundTrip;
        const BalloonNotice sent = notice(QStringLiteral("Ünïcode \"quoted\"\nline"), QPoint(-3, 7), 4000);
        QVERIFY(BalloonNotice::fromLine(sent.toLine(), &roundTrip));
        QCOMPARE(roundTrip.title, sent.title);
        QCOMPARE(roundTrip.msecs, 4000);
        QCOMPARE(roundTrip.anchor, sent.anchor);
        QVERIFY(!BalloonNotice::fromLine("not json", &roundTrip));
        QVERIFY(!BalloonNotice::fromLine(R"({"title":3,"message":"m"})", &roundTrip));

        for (const QByteArray& input : {QByteArray("not json\n"), QByteArray()}) {
            QProcess helper;
            helper.start(BalloonProcess::helperPath(), QStringList());
            QVERIFY(helper.waitForStarted(5000));
            helper.write(input);
            helper.closeWriteChannel();
            QVERIFY(helper.waitForFinished(10000));
            QCOMPARE(helper.exitCode(), 2);
        }
        QCOMPARE(balloons(*_x).size(), 0);
    }

private:
    std::unique_ptr<XvfbSession> _x;
};

LARKSPAN_TEST_MAIN(TestBalloonProcess, QApplication)
#include "tst_balloonprocess.moc"
