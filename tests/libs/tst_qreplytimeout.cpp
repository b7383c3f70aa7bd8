#include "QReplyTimeout.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

class TestQReplyTimeout : public QObject
{
    Q_OBJECT
private slots:
    void silentServerIsAbortedAfterTheTime()
    {
        // Accepts the connection and never answers.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QNetworkAccessManager manager;
        QNetworkReply* reply =
            manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()))));
        QPointer<QReplyTimeout> timeout = new QReplyTimeout(reply, 300);
        QCOMPARE(timeout->parent(), reply);
        QElapsedTimer timer;
        timer.start();
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(30000));
        QVERIFY(timer.elapsed() >= 250);
        QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
        delete reply;
        QVERIFY(timeout.isNull());
    }

    void answeredReplyIsLeftAlone()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, &server, [&server] {
            QTcpSocket* socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
                socket->disconnectFromHost();
            });
        });
        QNetworkAccessManager manager;
        QNetworkReply* reply =
            manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()))));
        new QReplyTimeout(reply, 300);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(30000));
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        QCOMPARE(reply->readAll(), QByteArray("ok"));
        // The timer firing later on a finished reply must not disturb it.
        QTest::qWait(400);
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        delete reply;
    }
};

LARKSPAN_TEST_MAIN(TestQReplyTimeout, QCoreApplication)
#include "tst_qreplytimeout.moc"
