#include "InstanceChannel.h"
#include "PrivateFiles.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QtTest>

#include <future>

namespace {

// A second start asks from its own process; here from another thread, so that this one
// can run the event loop that answers.
std::future<bool> askFromASecondStart()
{
    return std::async(std::launch::async, [] { return InstanceChannel::askToShowMenu(10000); });
}

} // namespace

class TestInstanceChannel : public QObject
{
    Q_OBJECT
private slots:
    void noRunningInstanceDoesNotHoldUpTheSecondStart()
    {
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!InstanceChannel::askToShowMenu(10000));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }

    // An instance that crashed left its socket behind: the next one listens all the same.
    void socketLeftByACrashIsTakenOver()
    {
        const QString path = InstanceChannel::socketPath();
        QVERIFY(PrivateFiles::makeFolder(QFileInfo(path).absolutePath()));
        QFile left(path);
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.close();
        InstanceChannel channel;
        QSignalSpy requested(&channel, &InstanceChannel::menuRequested);
        QVERIFY(channel.listen());
        for (int n = 1; n <= 2; ++n) {
            auto answer = askFromASecondStart();
            QTRY_COMPARE(requested.count(), n);
            QVERIFY(answer.get());
        }
    }

    void otherTextIsNoRequest()
    {
        InstanceChannel channel;
        QSignalSpy requested(&channel, &InstanceChannel::menuRequested);
        QVERIFY(channel.listen());
        QLocalSocket stranger;
        stranger.connectToServer(InstanceChannel::socketPath());
        QVERIFY(stranger.waitForConnected(5000));
        stranger.write(QByteArray(200, 'x'));
        QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(requested.count(), 0);
    }
};

LARKSPAN_TEST_MAIN(TestInstanceChannel, QCoreApplication)
#include "tst_instancechannel.moc"
