#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// A stand-in for the service on loopback that answers every request with one crafted
// reply, as a broken proxy or an attacker on the network would, and keeps what it was
// sent. Runs on the test's event loop.
class HostileService : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        explicit Reply(const QByteArray& body = {}) : body(body) {}
        int status = 200;
        QList<QByteArray> headers = {"Content-Type: application/json"};
        QByteArray body;
        // Then this many bytes of 'a' and the tail, written as the client takes them, so a
        // huge reply never sits whole in the test's memory.
        qint64 filler = 0;
        QByteArray tail;
        int delayMs = 0;
    };

    HostileService();
    // Points the client's base URLs at this service.
    void useForClient() const;
    void answer(const Reply& reply) { _reply = reply; }
    // Header block and body of each request received, oldest first.
    const QList<QByteArray>& requests() const { return _requests; }

private:
    void onConnection();
    void onData(QTcpSocket* socket);
    void respond(QTcpSocket* socket);

    QTcpServer _server;
    Reply _reply;
    QList<QByteArray> _requests;
};

// The highest resident memory of this process since resetPeakMemory(), in MiB.
void resetPeakMemory();
qint64 peakMemoryMiB();
