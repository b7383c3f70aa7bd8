#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QTcpServer>
#include <QThread>

#include <functional>

class QTcpSocket;

// A stand-in for the service on loopback that answers every request with one crafted
// reply, as a broken proxy or an attacker on the network would, and keeps what it was
// sent. Serves from a thread of its own, as a server elsewhere does: it writes as fast as
// the connection takes, also while the test's thread is busy.
class HostileService : public QObject
{
    Q_OBJECT
public:
    struct Reply {
        explicit Reply(const QByteArray& body = {}) : body(body) {}
        int status = 200;
        QList<QByteArray> headers = {"Content-Type: application/json"};
        QByteArray body;
        // Then this many bytes of 'a' and the tail, written as the client takes them, so a
        // huge reply never sits whole in the test's memory.
        qint64 filler = 0;
        QByteArray tail;
        int delayMs = 0;
        // Above 0: sent with "Transfer-Encoding: chunked" in chunks of this size, without
        // a length to judge it by beforehand.
        int chunkBytes = 0;
        // Above 0: the body (with any filler and tail) a byte at a time, this far apart.
        int trickleMs = 0;
    };

    HostileService();
    ~HostileService() override;
    // Points the client's base URLs at this service.
    void useForClient() const;
    // "http://127.0.0.1:<port>" followed by the path.
    QString url(const QString& path = QString()) const;
    // For the requests that arrive from now on.
    void answer(const Reply& reply);
    // Header block and body of each request received, oldest first.
    QList<QByteArray> requests() const;
    // Bytes of the latest reply the client took off the wire before it ended or went away.
    qint64 lastReplyBytes() const;

private:
    void onConnection();
    void onData(QTcpSocket* socket);
    void respond(QTcpSocket* socket);
    void trickle(QTcpSocket* socket, const QByteArray& head);

    QThread _thread;
    QTcpServer* _server;
    mutable QMutex _mutex;
    Reply _reply;
    QList<QByteArray> _requests;
    qint64 _lastReplyBytes = 0;
};

// The highest resident memory of this process since resetPeakMemory(), in MiB.
void resetPeakMemory();
qint64 peakMemoryMiB();
