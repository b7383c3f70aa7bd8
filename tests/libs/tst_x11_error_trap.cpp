#include "TestHome.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QtTest>

#include "X11Display.h"
#include "X11ErrorTrap.h"

#include <X11/Xlib.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

// Stand-ins for the toolkit's handlers, installed before any trap as Qt's are. The real
// I/O handler ends the process; this one only counts.
std::atomic<int> gToolkitErrors {0};
std::atomic<int> gToolkitConnectionLosses {0};

int toolkitError(Display*, XErrorEvent*)
{
    ++gToolkitErrors;
    return 0;
}

int toolkitConnectionLoss(Display*)
{
    ++gToolkitConnectionLosses;
    return 0;
}

// One BadWindow, delivered before this returns.
void provokeError(Display* display)
{
    XMapWindow(display, 0);
    XSync(display, False);
}

// What one of our threads does with its connections until their server goes away: the hook
// thread holds its own and, inside a callback, the window reader's; the cursor poller one.
struct Worker {
    int displays = 1;
    std::atomic<bool> trapsSet {false};
    std::atomic<int> lost {0};
    std::atomic<bool> done {false};

    void run()
    {
        Display* first = X11Display::open();
        Display* second = displays > 1 ? X11Display::open() : nullptr;
        {
            X11ErrorTrap outer(first);
            std::unique_ptr<X11ErrorTrap> inner(second ? new X11ErrorTrap(second) : nullptr);
            trapsSet = true;
            QDeadlineTimer deadline(20000);
            while (!deadline.hasExpired() && !(outer.connectionLost() && (!inner || inner->connectionLost()))) {
                XSync(first, False);
                if (second)
                    XSync(second, False);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            lost = int(outer.connectionLost()) + (inner && inner->connectionLost() ? 1 : 0);
            if (second)
                X11Display::release(second, inner->connectionLost());
            X11Display::release(first, outer.connectionLost());
        }
        done = true;
    }
};

} // namespace

class TestX11ErrorTrap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        XSetErrorHandler(&toolkitError);
        XSetIOErrorHandler(&toolkitConnectionLoss);
    }

    void errorsGoToTheTrapOfTheirDisplay()
    {
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        Display* outerDisplay = X11Display::open();
        Display* innerDisplay = X11Display::open();
        Display* toolkitDisplay = XOpenDisplay(nullptr);
        QVERIFY(outerDisplay && innerDisplay && toolkitDisplay);
        {
            X11ErrorTrap outer(outerDisplay);
            {
                X11ErrorTrap inner(innerDisplay);
                provokeError(outerDisplay);
                provokeError(innerDisplay);
                provokeError(innerDisplay);
                provokeError(toolkitDisplay);
                QCOMPARE(inner.errorCount(), 2);
                QCOMPARE(outer.errorCount(), 1);
                QCOMPARE(gToolkitErrors.load(), 1);
            }
            // The connection of a trap that has ended is the toolkit's business again.
            provokeError(innerDisplay);
            QCOMPARE(gToolkitErrors.load(), 2);
            QCOMPARE(outer.errorCount(), 1);
        }
        for (Display* display : {outerDisplay, innerDisplay, toolkitDisplay})
            X11Display::close(display);
    }

    // Both our users at once on three threads' worth of connections, the server dying
    // under them: each trap notes the loss of its own display, nothing reaches the
    // toolkit's handler, the process lives on and a new server can be used.
    void serverLossOnSeveralThreads()
    {
        {
            XvfbSession doomed;
            QVERIFY2(doomed.isRunning(), qPrintable(doomed.errorString()));
            Worker hooks;
            hooks.displays = 2;
            Worker poller;
            std::thread hookThread(&Worker::run, &hooks);
            std::thread pollerThread(&Worker::run, &poller);
            QTRY_VERIFY(hooks.trapsSet && poller.trapsSet);

            doomed.killServer();
            QTRY_VERIFY_WITH_TIMEOUT(hooks.done && poller.done, 30000);
            hookThread.join();
            pollerThread.join();
            QCOMPARE(hooks.lost.load(), 2);
            QCOMPARE(poller.lost.load(), 1);
            QCOMPARE(gToolkitConnectionLosses.load(), 0);
        }
        XvfbSession session;
        QVERIFY2(session.isRunning(), qPrintable(session.errorString()));
        Display* display = X11Display::open();
        QVERIFY(display);
        {
            X11ErrorTrap trap(display);
            provokeError(display);
            QCOMPARE(trap.errorCount(), 1);
            QVERIFY(!trap.connectionLost());
        }
        X11Display::close(display);
    }
};

LARKSPAN_TEST_MAIN(TestX11ErrorTrap, QCoreApplication)
#include "tst_x11_error_trap.moc"
