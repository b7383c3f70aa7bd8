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

#include <memory>

#include <zlib.h>

namespace HostileRequest {

namespace {

// Deflates `size` bytes of `block` repeated into one gzip member.
QByteArray gzipRepeated(const QByteArray& block, qint64 size)
{
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray out;
    char buffer[64 * 1024];
    qint64 left = size;
    int flush = Z_NO_FLUSH;
    do {
        const qint64 step = qMin<qint64>(left, block.size());
        left -= step;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.constData()));
        zs.avail_in = uInt(step);
        do {
            zs.next_out = reinterpret_cast<Bytef*>(buffer);
            zs.avail_out = sizeof(buffer);
            deflate(&zs, flush);
            out.append(buffer, int(sizeof(buffer) - zs.avail_out));
        } while (zs.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&zs);
    return out;
}

} // namespace

QByteArray gzipOfZeros(qint64 size)
{
    return gzipRepeated(QByteArray(1 << 20, '\0'), size);
}

QByteArray gzip(const QByteArray& data)
{
    return gzipRepeated(data, data.size());
}

QByteArray feedbackWithLog(const QByteArray& gzip)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("uuid"), QStringLiteral("attacker")},
                                     {QStringLiteral("log_file_compressed"),
                                      QString::fromLatin1(gzip.toBase64())}})
        .toJson(QJsonDocument::Compact);
}

std::function<QByteArray()> pieces(qint64 total, int piece, const QByteArray& pattern)
{
    QByteArray block;
    while (block.size() < piece)
        block += pattern;
    block.truncate(piece);
    auto left = std::make_shared<qint64>(total);
    return [left, block] {
        const qint64 n = qMin<qint64>(*left, block.size());
        *left -= n;
        return block.left(int(n));
    };
}

namespace {

int parseStatus(const QByteArray& response)
{
    // "HTTP/1.1 413 Payload Too Large"
    if (!response.startsWith("HTTP/"))
        return 0;
    return response.mid(response.indexOf(' ') + 1, 3).toInt();
}

} // namespace

Result send(quint16 port, const QByteArray& head, const std::function<QByteArray()>& nextPiece,
            bool chunked, int timeoutMs)
{
    Result result;
    QElapsedTimer clock;
    clock.start();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));

    const qint64 headBytes = head.size();
    qint64 sent = 0;
    QByteArray pending = head;
    bool sending = true;
    while (clock.elapsed() < timeoutMs) {
        if (sending && pending.isEmpty()) {
            const QByteArray piece = nextPiece();
            if (piece.isEmpty()) {
                sending = false;
                if (chunked)
                    pending = "0\r\n\r\n";
            } else {
                pending = chunked ? QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n" : piece;
            }
        }
        pollfd p{fd, short(POLLIN | (pending.isEmpty() ? 0 : POLLOUT)), 0};
        if (::poll(&p, 1, 200) < 0)
            break;
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[16384];
            const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
            if (n <= 0)
                break; // closed: whatever arrived is the answer
            result.response.append(buffer, int(n));
            // An answer ends the request: the rest of the body is never sent.
            sending = false;
            pending.clear();
            if (result.response.contains("\r\n\r\n"))
                break;
            continue;
        }
        if (p.revents & POLLOUT) {
            const ssize_t n = ::send(fd, pending.constData(), size_t(pending.size()), MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN)
                break;
            if (n > 0) {
                pending.remove(0, int(n));
                sent += n;
            }
        }
    }
    ::close(fd);
    result.bodySent = qMax<qint64>(0, sent - headBytes);
    result.status = parseStatus(result.response);
    result.elapsedMs = clock.elapsed();
    return result;
}

int openConnection(quint16 port, const QByteArray& bytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        ::close(fd);
        return -1;
    }
    if (!bytes.isEmpty())
        ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    return fd;
}

QByteArray answerOn(int fd, int waitMs)
{
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (!answer.contains("\r\n\r\n")) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(qMax<qint64>(0, waitMs - clock.elapsed()))) <= 0)
            break;
        char buffer[4096];
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
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace HostileRequest
