#include "IpcSocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

IpcSocket::IpcSocket(const QString& path, Clock::time_point deadline) : _deadline(deadline)
{
    const QByteArray name = path.toLocal8Bit();
    sockaddr_un address {};
    if (name.isEmpty() || static_cast<size_t>(name.size()) >= sizeof(address.sun_path))
        return;
    _fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (_fd < 0)
        return;
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    if (::connect(_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        && (errno != EINPROGRESS || !waitFor(POLLOUT))) {
        ::close(_fd);
        _fd = -1;
    }
}

IpcSocket::~IpcSocket()
{
    if (_fd >= 0)
        ::close(_fd);
}

bool IpcSocket::waitFor(short events)
{
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(_deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p {_fd, events, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready > 0)
            return (p.revents & (events | POLLHUP)) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool IpcSocket::send(const QByteArray& data)
{
    qint64 sent = 0;
    while (_fd >= 0 && sent < data.size()) {
        if (!waitFor(POLLOUT))
            return false;
        const ssize_t n = ::send(_fd, data.constData() + sent, static_cast<size_t>(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            sent += n;
    }
    return _fd >= 0;
}

bool IpcSocket::receive(char* buffer, qint64 length)
{
    qint64 received = 0;
    while (_fd >= 0 && received < length) {
        if (!waitFor(POLLIN))
            return false;
        const ssize_t n = ::recv(_fd, buffer + received, static_cast<size_t>(length - received), 0);
        if (n == 0)
            return false;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0)
            received += n;
    }
    return _fd >= 0;
}

bool IpcSocket::receiveUntilClosed(QByteArray& out, qint64 maxLength)
{
    char chunk[8192];
    while (_fd >= 0) {
        if (!waitFor(POLLIN))
            return false;
        const ssize_t n = ::recv(_fd, chunk, sizeof(chunk), 0);
        if (n == 0)
            return true;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
        if (n > 0) {
            if (out.size() + n > maxLength)
                return false;
            out.append(chunk, static_cast<int>(n));
        }
    }
    return false;
}
