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
};

LARKSPAN_TEST_MAIN(TestUnixSignalWatcher, QCoreApplication)
#include "tst_unixsignalwatcher.moc"
