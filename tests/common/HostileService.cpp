#include "HostileService.h"

#include <QFile>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

HostileService::HostileService() : _server(new QTcpServer(this))
{
    _server->listen(QHostAddress::LocalHost, 0);
    connect(_server, &QTcpServer::newConnection, this, &HostileService::onConnection);
    _thread.start();
    moveToThread(&_thread);
}

HostileService::~HostileService()
{
    // Back to the thread that destroys it, with its sockets, before its own thread ends.
    QThread* owner = QThread::currentThread();
    QMetaObject::invokeMethod(
        this, [this, owner] { moveToThread(owner); }, Qt::BlockingQueuedConnection);
    _thread.quit();
    _thread.wait();
}

void HostileService::answer(const Reply& reply)
{
    QMutexLocker lock(&_mutex);
    _reply = reply;
}

QList<QByteArray> HostileService::requests() const
{
    QMutexLocker lock(&_mutex);
    return _requests;
}

qint64 HostileService::lastReplyBytes() const
{
    QMutexLocker lock(&_mutex);
    return _lastReplyBytes;
}

void HostileService::useForClient() const
{
    const QByteArray base = url().toLatin1();
    qputenv("LARKSPAN_SERVER_URL", base);
    qputenv("LARKSPAN_INGRESS_URL", base);
}

QString HostileService::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(_server->serverPort()).arg(path);
}

void HostileService::onConnection()
{
    while (QTcpSocket* socket = _server->nextPendingConnection()) {
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
    QMutexLocker lock(&_mutex);
    _requests << received;
    QTimer::singleShot(_reply.delayMs, socket, [this, socket] { respond(socket); });
}

void HostileService::respond(QTcpSocket* socket)
{
    QMutexLocker lock(&_mutex);
    _lastReplyBytes = 0;
    connect(socket, &QTcpSocket::bytesWritten, socket, [this](qint64 written) {
        QMutexLocker counting(&_mutex);
        _lastReplyBytes += written;
    });
    const int chunkBytes = _reply.chunkBytes;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(_reply.status) + " Crafted\r\n";
    for (const QByteArray& header : _reply.headers)
        head += header + "\r\n";
    if (chunkBytes > 0)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head +=
            "Content-Length: " + QByteArray::number(_reply.body.size() + _reply.filler + _reply.tail.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (_reply.trickleMs > 0) {
        trickle(socket, head);
        return;
    }
    auto frame = [chunkBytes](const QByteArray& data) {
        if (chunkBytes <= 0 || data.isEmpty())
            return data;
        return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
    };
    socket->write(head + frame(_reply.body));
    // Refilled as the client reads, until it has all or goes away.
    const QByteArray piece(chunkBytes > 0 ? chunkBytes : 64 * 1024, 'a');
    const QByteArray end = frame(_reply.tail) + (chunkBytes > 0 ? "0\r\n\r\n" : "");
    auto left = std::make_shared<qint64>(_reply.filler);
    auto refill = [socket, piece, end, left, frame] {
        while (*left > 0 && socket->bytesToWrite() < 1024 * 1024) {
            const qint64 n = qMin<qint64>(*left, piece.size());
            socket->write(frame(piece.left(int(n))));
            *left -= n;
        }
        if (*left == 0 && socket->state() == QAbstractSocket::ConnectedState) {
            socket->write(end);
            *left = -1;
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

void HostileService::trickle(QTcpSocket* socket, const QByteArray& head)
{
    socket->write(head);
    const QByteArray body = _reply.body + QByteArray(int(_reply.filler), 'a') + _reply.tail;
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, socket, [socket, timer, body, sent] {
        if (*sent == body.size()) {
            timer->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(body.mid((*sent)++, 1));
    });
    timer->start(_reply.trickleMs);
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
