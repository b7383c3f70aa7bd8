#include "ConnectionStream.h"

#include "Connection.h"

#include <algorithm>
#include <cstring>
#include <poll.h>

namespace {

thread_local ConnectionStream* tCurrent = nullptr;

using Clock = std::chrono::steady_clock;

} // namespace

ConnectionStream::ConnectionStream(Connection& connection, size_t headEnd, const Limits& limits)
    : _connection(connection), _headEnd(headEnd), _limits(limits)
{
    tCurrent = this;
}

ConnectionStream::~ConnectionStream()
{
    tCurrent = nullptr;
}

ConnectionStream* ConnectionStream::current()
{
    return tCurrent;
}

bool ConnectionStream::waitFor(short events, std::chrono::milliseconds wait) const
{
    // In short steps, so a stopping server does not wait out a slow client.
    const auto end = Clock::now() + wait;
    for (;;) {
        if (_limits.halted->load())
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() < 0)
            return false;
        pollfd p {_connection.fd(), events, 0};
        const int ready = ::poll(&p, 1, int(std::min<long long>(left.count(), 200)));
        if (ready != 0)
            return ready > 0;
    }
}

bool ConnectionStream::peerGone() const
{
    if (_connection.peerClosed)
        return true;
    pollfd p {_connection.fd(), POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

bool ConnectionStream::is_readable() const
{
    return _pos < _connection.buffer.size() || waitFor(POLLIN, _limits.readWait);
}

bool ConnectionStream::is_writable() const
{
    return waitFor(POLLOUT, _limits.writeWait);
}

bool ConnectionStream::fill()
{
    if (_pos == _connection.buffer.size()) {
        _connection.buffer.clear();
        _pos = 0;
    }
    char chunk[16384];
    for (;;) {
        const auto now = Clock::now();
        if (now >= _limits.readDeadline)
            return false;
        const Connection::Result r = _connection.receive(chunk, sizeof(chunk));
        if (r.io == Connection::Io::Done) {
            _connection.buffer.append(chunk, r.bytes);
            return true;
        }
        if (r.io != Connection::Io::WantRead && r.io != Connection::Io::WantWrite)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(_limits.readDeadline - now);
        const short events = r.io == Connection::Io::WantRead ? POLLIN : POLLOUT;
        if (!waitFor(events, std::min(_limits.readWait, left + std::chrono::milliseconds(1))))
            return false;
    }
}

ssize_t ConnectionStream::read(char* ptr, size_t size)
{
    if (_broken)
        return -1;
    // Past the header block every byte counts against the body budget, chunk framing and
    // all, so the cap holds whatever the transfer encoding.
    const size_t allowed = _headEnd + _limits.bodyBytes;
    if (_served >= allowed) {
        _budgetExceeded = true;
        _broken = true;
        return -1;
    }
    if (_pos == _connection.buffer.size() && !fill()) {
        _broken = true;
        return -1;
    }
    const size_t n = std::min({size, _connection.buffer.size() - _pos, allowed - _served});
    std::memcpy(ptr, _connection.buffer.data() + _pos, n);
    _pos += n;
    _served += n;
    return ssize_t(n);
}

ssize_t ConnectionStream::write(const char* ptr, size_t size)
{
    const auto deadline = Clock::now() + _limits.writeWait;
    size_t sent = 0;
    while (sent < size) {
        const Connection::Result r = _connection.send(ptr + sent, size - sent);
        if (r.io == Connection::Io::Done) {
            sent += r.bytes;
            continue;
        }
        const auto now = Clock::now();
        if ((r.io != Connection::Io::WantWrite && r.io != Connection::Io::WantRead) || now >= deadline) {
            _broken = true;
            return -1;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        if (!waitFor(r.io == Connection::Io::WantWrite ? POLLOUT : POLLIN, left + std::chrono::milliseconds(1))) {
            _broken = true;
            return -1;
        }
    }
    return ssize_t(size);
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    ip = _connection.remoteIp();
    port = _connection.remotePort();
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    ip = _connection.localIp();
    port = _connection.localPort();
}

socket_t ConnectionStream::socket() const
{
    return _connection.fd();
}

size_t ConnectionStream::bodyBytesRead() const
{
    return _served > _headEnd ? _served - _headEnd : 0;
}

void ConnectionStream::returnUnused()
{
    _connection.buffer.erase(0, _pos);
    _pos = 0;
}
