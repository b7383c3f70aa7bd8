#include "InstanceChannel.h"

#include "AppUtils.h"
#include "QtLog.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace {

const QByteArray kShowMenu = QByteArrayLiteral("show-menu\n");
const QByteArray kShown = QByteArrayLiteral("ok\n");
// Anything longer than the one request is not ours, and is not read further.
constexpr int kMaxRequestBytes = 64;

} // namespace

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent), _server(new QLocalServer(this))
{
    _server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(_server, &QLocalServer::newConnection, this, &InstanceChannel::onNewConnection);
}

QString InstanceChannel::socketPath()
{
    const QFileInfo lock(AppUtils::lockFilePath());
    return lock.absolutePath() + QLatin1Char('/') + lock.completeBaseName() + QLatin1String(".socket");
}

bool InstanceChannel::listen()
{
    const QString path = socketPath();
    // Whoever holds the instance lock owns the socket: one that is there was left behind.
    QLocalServer::removeServer(path);
    if (!_server->listen(path)) {
        LK_WARNING() << "InstanceChannel - cannot listen on" << path << ":" << _server->errorString();
        return false;
    }
    LK_DEBUG() << "InstanceChannel - listening on" << path;
    return true;
}

void InstanceChannel::onNewConnection()
{
    while (QLocalSocket* socket = _server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes)
                    socket->abort();
                return;
            }
            const QByteArray request = socket->readLine(kMaxRequestBytes);
            if (request != kShowMenu) {
                LK_WARNING() << "InstanceChannel - unknown request, ignored";
                socket->abort();
                return;
            }
            LK_INFO() << "Larkspan was started again: showing the menu";
            socket->write(kShown);
            socket->disconnectFromServer();
            emit menuRequested();
        });
    }
}

bool InstanceChannel::askToShowMenu(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        LK_DEBUG() << "InstanceChannel - no running instance answers on" << socketPath();
        return false;
    }
    socket.write(kShowMenu);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine() && socket.waitForReadyRead(int(qMax<qint64>(0, deadline.remainingTime())))) {}
    return socket.readLine(kMaxRequestBytes) == kShown;
}
