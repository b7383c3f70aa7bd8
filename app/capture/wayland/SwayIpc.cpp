#include "SwayIpc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicLength = 6;
constexpr int kHeaderLength = kMagicLength + 8;
constexpr quint32 kGetTree = 4;
// A tree is a few kilobytes per window; anything far beyond is not an answer to trust.
constexpr quint32 kMaxReply = 16 * 1024 * 1024;

class Socket
{
public:
    explicit Socket(int fd) : fd(fd) {}
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    const int fd;
};

bool waitFor(int fd, short events, Clock::time_point deadline)
{
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p {fd, events, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready > 0)
            return (p.revents & events) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool sendAll(int fd, const QByteArray& data, Clock::time_point deadline)
{
    qint64 sent = 0;
    while (sent < data.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd, data.constData() + sent, static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            sent += n;
    }
    return true;
}

bool receiveAll(int fd, char* buffer, qint64 length, Clock::time_point deadline)
{
    qint64 received = 0;
    while (received < length) {
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        const ssize_t n = ::recv(fd, buffer + received, static_cast<size_t>(length - received), 0);
        if (n == 0)
            return false;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            received += n;
    }
    return true;
}

bool findFocused(const QJsonObject& node, SwayIpc::FocusedWindow& out)
{
    if (node.value(QLatin1String("focused")).toBool()) {
        // Workspaces and outputs take the focus too when they are empty: not a window.
        const QString type = node.value(QLatin1String("type")).toString();
        if (type != QLatin1String("con") && type != QLatin1String("floating_con"))
            return true;
        out.found = true;
        out.pid = node.value(QLatin1String("pid")).toVariant().toLongLong();
        out.appId = node.value(QLatin1String("app_id")).toString();
        out.windowClass = node.value(QLatin1String("window_properties")).toObject().value(QLatin1String("class")).toString();
        out.name = node.value(QLatin1String("name")).toString();
        return true;
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        const QJsonArray children = node.value(QLatin1String(key)).toArray();
        for (const QJsonValue& child : children) {
            if (findFocused(child.toObject(), out))
                return true;
        }
    }
    return false;
}

} // namespace

QString SwayIpc::socketPath()
{
    const QString sway = qEnvironmentVariable("SWAYSOCK");
    return sway.isEmpty() ? qEnvironmentVariable("I3SOCK") : sway;
}

SwayIpc::FocusedWindow SwayIpc::focusedIn(const QByteArray& treeJson)
{
    FocusedWindow out;
    const QJsonDocument document = QJsonDocument::fromJson(treeJson);
    if (document.isObject())
        findFocused(document.object(), out);
    return out;
}

SwayIpc::FocusedWindow SwayIpc::focusedWindow(const QString& socketPath, int timeoutMs)
{
    const QByteArray path = socketPath.toLocal8Bit();
    sockaddr_un address {};
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof(address.sun_path))
        return {};
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.fd < 0)
        return {};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        && (errno != EINPROGRESS || !waitFor(socket.fd, POLLOUT, deadline)))
        return {};

    // Magic, payload length and message type, in the machine's byte order.
    QByteArray request(kMagic, kMagicLength);
    const quint32 header[2] = {0, kGetTree};
    request.append(reinterpret_cast<const char*>(header), sizeof(header));
    if (!sendAll(socket.fd, request, deadline))
        return {};

    char replyHeader[kHeaderLength];
    if (!receiveAll(socket.fd, replyHeader, kHeaderLength, deadline) || memcmp(replyHeader, kMagic, kMagicLength) != 0)
        return {};
    quint32 length = 0;
    quint32 type = 0;
    memcpy(&length, replyHeader + kMagicLength, sizeof(length));
    memcpy(&type, replyHeader + kMagicLength + 4, sizeof(type));
    if (type != kGetTree || length > kMaxReply)
        return {};
    QByteArray payload(static_cast<int>(length), Qt::Uninitialized);
    if (!receiveAll(socket.fd, payload.data(), length, deadline))
        return {};
    return focusedIn(payload);
}
