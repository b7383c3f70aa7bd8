#include "HostileService.h"

#include <QFile>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

HostileService::HostileService()
{
    _server.listen(QHostAddress::LocalHost, 0);
    connect(&_server, &QTcpServer::newConnection, this, &HostileService::onConnection);
}

void HostileService::useForClient() const
{
    const QByteArray base = "http://127.0.0.1:" + QByteArray::number(_server.serverPort());
    qputenv("LARKSPAN_SERVER_URL", base);
    qputenv("LARKSPAN_INGRESS_URL", base);
}

void HostileService::onConnection()
{
    while (QTcpSocket* socket = _server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onData(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void HostileService::onData(QTcpSocket* socket)
{
    QByteArray received = socket->property("received").toByteArray() + socket->readAll();
    socket->setProperty("received", received);
    const int headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0 || socket->property("answered").toBool())
        return;
    qint64 length = 0;
    for (const QByteArray& line : received.left(headEnd).split('\n')) {
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    }
    if (received.size() < headEnd + 4 + length)
        return;
    socket->setProperty("answered", true);
    _requests << received;
    QTimer::singleShot(_reply.delayMs, socket, [this, socket] { respond(socket); });
}

void HostileService::respond(QTcpSocket* socket)
{
    const qint64 size = _reply.body.size() + _reply.filler + _reply.tail.size();
    QByteArray head = "HTTP/1.1 " + QByteArray::number(_reply.status) + " Crafted\r\n";
    for (const QByteArray& header : _reply.headers)
        head += header + "\r\n";
    head += "Content-Length: " + QByteArray::number(size) + "\r\nConnection: close\r\n\r\n";
    socket->write(head + _reply.body);
    // Refilled as the client reads, until it has all or goes away.
    const QByteArray piece(64 * 1024, 'a');
    const QByteArray tail = _reply.tail;
    auto left = std::make_shared<qint64>(_reply.filler);
    auto refill = [socket, piece, tail, left] {
        while (*left > 0 && socket->bytesToWrite() < 4 * piece.size()) {
            const qint64 n = qMin<qint64>(*left, piece.size());
            socket->write(piece.constData(), n);
            *left -= n;
        }
        if (*left == 0 && socket->state() == QAbstractSocket::ConnectedState) {
            socket->write(tail);
            *left = -1;
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

void resetPeakMemory()
{
    // "5" resets the peak resident size the kernel keeps for the process.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

qint64 peakMemoryMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024;
    }
    return -1;
}
