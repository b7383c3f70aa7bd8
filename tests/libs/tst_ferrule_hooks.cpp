#include "TestHome.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtTest>

#include "ferrule.h"

#include <X11/extensions/XI2.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

class CountingHandler final : public KeyboardEventHandler, public MouseEventHandler
{
public:
    void onKeyboardEvent(std::int32_t eventType, std::int32_t) override
    {
        (eventType == XI_RawKeyPress ? keys : unexpected)++;
    }

    void onMouseEvent(std::int32_t eventType, std::int32_t, std::int32_t) override
    {
        if (eventType == XI_RawButtonPress)
            buttons++;
        else if (eventType == XI_RawMotion)
            motions++;
        else
            unexpected++;
        if (blockMs > 0) {
            inCallback = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(blockMs.load()));
            inCallback = false;
        }
    }

    int total() const { return keys + buttons + motions + unexpected; }

    std::atomic<int> keys {0};
    std::atomic<int> buttons {0};
    std::atomic<int> motions {0};
    std::atomic<int> unexpected {0};
    std::atomic<int> blockMs {0};
    std::atomic<bool> inCallback {false};
};

// Long enough for an event the X server already sent to have been delivered; only where
// nothing may arrive and no later event can show that everything before it has.
constexpr int settleMs = 400;

} // namespace

class TestFerruleHooks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        _session = std::make_unique<XvfbSession>();
        if (!_session->isRunning())
            QFAIL(qPrintable(_session->errorString()));
    }

    void init()
    {
        _handler = std::make_unique<CountingHandler>();
        SetKeyboardEventHandler(_handler.get());
        SetMouseEventHandler(_handler.get());
    }

    void cleanup()
    {
        UnInstallHooks();
        SetKeyboardEventHandler(nullptr);
        SetMouseEventHandler(nullptr);
        _handler.reset();
    }

    void failsWithoutXServer()
    {
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        QVERIFY(!InstallHooks());
        // A display that nobody serves.
        qputenv("DISPLAY", ":64999");
        QVERIFY(!InstallHooks());
        qputenv("DISPLAY", display);
        QVERIFY(!UnInstallHooks());
    }

    void reportsKeysClicksAndRelativeMotion()
    {
        QVERIFY(InstallHooks());

        // Events arrive in the order the server sent them: once the next one is here, a
        // release or a second device's copy of the one before would have come too.
        QVERIFY(_session->xdotool({QStringLiteral("key"), QStringLiteral("a")}));
        QTRY_COMPARE(_handler->keys.load(), 1);
        QCOMPARE(_handler->buttons.load() + _handler->motions.load(), 0);

        QVERIFY(_session->xdotool({QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_COMPARE(_handler->buttons.load(), 1);
        // One press, one callback: releases are not reported and no device is counted twice.
        QCOMPARE(_handler->keys.load(), 1);

        QVERIFY(_session->xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("5"), QStringLiteral("5")}));
        QTRY_VERIFY(_handler->motions.load() >= 1);
        QCOMPARE(_handler->buttons.load(), 1);
        QCOMPARE(_handler->keys.load(), 1);
        QCOMPARE(_handler->unexpected.load(), 0);
    }

    void noCallbackAfterUninstall()
    {
        QVERIFY(InstallHooks());
        QVERIFY(_session->xdotool({QStringLiteral("key"), QStringLiteral("b")}));
        QTRY_COMPARE(_handler->keys.load(), 1);

        QVERIFY(UnInstallHooks());
        const int before = _handler->total();
        QVERIFY(_session->xdotool({QStringLiteral("key"), QStringLiteral("c")}));
        QVERIFY(_session->xdotool({QStringLiteral("click"), QStringLiteral("1")}));
        QVERIFY(_session->xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("3"), QStringLiteral("3")}));
        QTest::qWait(settleMs);
        QCOMPARE(_handler->total(), before);
    }

    void uninstallWaitsForRunningCallback()
    {
        _handler->blockMs = 500;
        QVERIFY(InstallHooks());
        QVERIFY(_session->xdotool({QStringLiteral("click"), QStringLiteral("1")}));
        QTRY_VERIFY(_handler->inCallback.load());

        QElapsedTimer timer;
        timer.start();
        QVERIFY(UnInstallHooks());
        // The handler may be destroyed now: nothing of it still runs.
        QVERIFY(!_handler->inCallback.load());
        QVERIFY(timer.elapsed() < 3000);
    }

    void installAndUninstallRepeatedly()
    {
        QVERIFY(!UnInstallHooks());
        for (int cycle = 0; cycle < 20; ++cycle) {
            QVERIFY(InstallHooks());
            QVERIFY(InstallHooks());
            QVERIFY(UnInstallHooks());
            QVERIFY(!UnInstallHooks());
        }
        QVERIFY(InstallHooks());
        QVERIFY(_session->xdotool({QStringLiteral("key"), QStringLiteral("d")}));
        QTRY_COMPARE(_handler->keys.load(), 1);
    }

    void handlerCanBeWithdrawn()
    {
        QVERIFY(InstallHooks());
        SetMouseEventHandler(nullptr);
        QVERIFY(_session->xdotool({QStringLiteral("click"), QStringLiteral("1")}));
        QVERIFY(_session->xdotool({QStringLiteral("key"), QStringLiteral("e")}));
        // The click came first: had it been delivered, it would be here by now.
        QTRY_COMPARE(_handler->keys.load(), 1);
        QCOMPARE(_handler->buttons.load(), 0);
    }

    void survivesTheXServerGoingAway()
    {
        {
            XvfbSession doomed;
            QVERIFY2(doomed.isRunning(), qPrintable(doomed.errorString()));
            QVERIFY(InstallHooks());
            doomed.killServer();
            QTest::qWait(settleMs);

            QElapsedTimer timer;
            timer.start();
            QVERIFY(UnInstallHooks());
            QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
            QVERIFY(!InstallHooks());
        }
        // Still alive, and hooks work again on a live server.
        QVERIFY(InstallHooks());
        QVERIFY(_session->xdotool({QStringLiteral("key"), QStringLiteral("f")}));
        QTRY_COMPARE(_handler->keys.load(), 1);
    }

private:
    std::unique_ptr<XvfbSession> _session;
    std::unique_ptr<CountingHandler> _handler;
};

LARKSPAN_TEST_MAIN(TestFerruleHooks, QCoreApplication)
#include "tst_ferrule_hooks.moc"
