#include "HostileRequest.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <zlib.h>

namespace HostileRequest {

QByteArray gzip(const QByteArray& block, qint64 size)
{
    z_stream zs {};
    deflateInit2(&zs, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    char buffer[64 * 1024];
    for (qint64 left = size; left >= 0; left -= block.size()) {
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.constData()));
        zs.avail_in = uInt(qMin<qint64>(left, block.size()));
        const int flush = left <= block.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = reinterpret_cast<Bytef*>(buffer);
            zs.avail_out = sizeof(buffer);
            deflate(&zs, flush);
            out.append(buffer, int(sizeof(buffer) - zs.avail_out));
        } while (zs.avail_out == 0);
        if (flush == Z_FINISH)
            break;
    }
    deflateEnd(&zs);
    return out;
}

QByteArray feedbackWithLog(const QByteArray& gzip)
{
    return QJsonDocument(QJsonObject {{QStringLiteral("uuid"), QStringLiteral("attacker")},
                                      {QStringLiteral("log_file_compressed"), QString::fromLatin1(gzip.toBase64())}})
        .toJson(QJsonDocument::Compact);
}

std::function<QByteArray()> pieces(qint64 total, char c)
{
    return [left = total, c]() mutable {
        const qint64 n = qMin<qint64>(left, 1 << 20);
        left -= n;
        return QByteArray(int(n), c);
    };
}

Result send(quint16 port, const QByteArray& head, const std::function<QByteArray()>& nextPiece, bool chunked,
            int timeoutMs)
{
    Result result;
    QElapsedTimer clock;
    clock.start();
    const int fd = openConnection(port, {});
    const timeval wait {0, 200 * 1000}; // a server that stops reading shows up as a short send
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof(wait));
    qint64 sent = 0;
    bool more = true;
    QByteArray out = head;
    for (pollfd p {fd, POLLIN, 0}; clock.elapsed() < timeoutMs && ::poll(&p, 1, 0) == 0;) {
        if (out.isEmpty() && more) {
            const QByteArray piece = nextPiece();
            more = !piece.isEmpty();
            out = !chunked ? piece
                : more     ? QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n"
                           : "0\r\n\r\n";
        }
        if (out.isEmpty())
            break;
        const ssize_t n = ::send(fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN)
            break;
        out.remove(0, int(qMax<ssize_t>(n, 0)));
        sent += qMax<ssize_t>(n, 0);
    }
    result.response = answerOn(fd, int(qMax<qint64>(0, timeoutMs - clock.elapsed())));
    ::close(fd);
    result.bodySent = qMax<qint64>(0, sent - head.size());
    if (result.response.startsWith("HTTP/"))
        result.status = result.response.mid(result.response.indexOf(' ') + 1, 3).toInt();
    result.elapsedMs = clock.elapsed();
    return result;
}

int openConnection(quint16 port, const QByteArray& bytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    return fd;
}

QByteArray answerOn(int fd, int waitMs)
{
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    for (pollfd p {fd, POLLIN, 0}; !answer.contains("\r\n\r\n");) {
        char buffer[4096];
        if (::poll(&p, 1, int(qMax<qint64>(0, waitMs - clock.elapsed()))) <= 0)
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        answer.append(buffer, int(n));
    }
    return answer;
}

qint64 peakRssKib(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace HostileRequest
