#include "TestHome.h"
#include "UnixSignalWatcher.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class TestUnixSignalWatcher : public QObject
{
    Q_OBJECT
private slots:
    // The first signal asks for an orderly quit; if that hangs, a second one must end the
    // process, as it would for any program.
    void secondSignalEndsTheProcess()
    {
        UnixSignalWatcher watcher({SIGTERM, SIGINT, SIGHUP});
        QSignalSpy received(&watcher, &UnixSignalWatcher::unixSignal);
        ::raise(SIGTERM);
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toInt(), SIGTERM);

        // The orderly quit is now under way (and may hang): a second signal of any of the
        // three kinds ends the process.
        for (int second : {SIGINT, SIGTERM}) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::raise(second);
                ::_exit(0);
            }
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), second);
        }
        QCOMPARE(received.count(), 1);
    }

    // Signal actions are the process's: a second live watcher takes none of them, and a
    // watcher that goes leaves no action behind that points at it.
    void oneWatcherAtATime()
    {
        {
            UnixSignalWatcher first({SIGUSR1});
            UnixSignalWatcher second({SIGUSR1});
            QSignalSpy toFirst(&first, &UnixSignalWatcher::unixSignal);
            QSignalSpy toSecond(&second, &UnixSignalWatcher::unixSignal);
            ::raise(SIGUSR1);
            QTRY_COMPARE(toFirst.count(), 1);
            QTest::qWait(50);
            QCOMPARE(toSecond.count(), 0);
        }
        UnixSignalWatcher later({SIGUSR2});
        struct sigaction usr1 = {};
        QCOMPARE(::sigaction(SIGUSR1, nullptr, &usr1), 0);
        QVERIFY(usr1.sa_handler == SIG_DFL);
        QSignalSpy toLater(&later, &UnixSignalWatcher::unixSignal);
        ::raise(SIGUSR2);
        QTRY_COMPARE(toLater.count(), 1);
        QCOMPARE(toLater.at(0).at(0).toInt(), SIGUSR2);
    }
};

LARKSPAN_TEST_MAIN(TestUnixSignalWatcher, QCoreApplication)
#include "tst_unixsignalwatcher.moc"
