#include "Connection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

Connection::Connection(int fd, SSL* ssl, std::string remoteIp, int remotePort, std::string localIp, int localPort)
    : state(ssl ? State::Handshake : State::Idle),
      _fd(fd),
      _ssl(ssl),
      _remoteIp(std::move(remoteIp)),
      _remotePort(remotePort),
      _localIp(std::move(localIp)),
      _localPort(localPort)
{}

Connection::~Connection()
{
    if (_ssl)
        SSL_free(_ssl);
    ::close(_fd);
}

Connection::Result Connection::sslResult(int rc, int n)
{
    if (n > 0)
        return {Io::Done, size_t(n)};
    switch (SSL_get_error(_ssl, rc)) {
    case SSL_ERROR_WANT_READ:
        return {Io::WantRead, 0};
    case SSL_ERROR_WANT_WRITE:
        return {Io::WantWrite, 0};
    case SSL_ERROR_ZERO_RETURN:
        return {Io::Closed, 0};
    default:
        // The error queue is per thread and would otherwise grow with every bad client.
        ERR_clear_error();
        return {Io::Failed, 0};
    }
}

Connection::Io Connection::handshake()
{
    if (!_ssl)
        return Io::Done;
    const int rc = SSL_accept(_ssl);
    return rc == 1 ? Io::Done : sslResult(rc, 0).io;
}

Connection::Result Connection::receive(char* buffer, size_t size)
{
    if (_ssl) {
        const int n = SSL_read(_ssl, buffer, int(size));
        return sslResult(n, n);
    }
    const ssize_t n = ::recv(_fd, buffer, size, 0);
    if (n > 0)
        return {Io::Done, size_t(n)};
    if (n == 0)
        return {Io::Closed, 0};
    return {errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Io::WantRead : Io::Failed, 0};
}

Connection::Result Connection::send(const char* data, size_t size)
{
    if (_ssl) {
        const int n = SSL_write(_ssl, data, int(size));
        return sslResult(n, n);
    }
    const ssize_t n = ::send(_fd, data, size, MSG_NOSIGNAL);
    if (n >= 0)
        return {Io::Done, size_t(n)};
    return {errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Io::WantWrite : Io::Failed, 0};
}

void Connection::shutdownWrite()
{
    if (_ssl && SSL_is_init_finished(_ssl)) {
        SSL_shutdown(_ssl);
        ERR_clear_error();
    }
    ::shutdown(_fd, SHUT_WR);
}

Connection::Io Connection::discard()
{
    char sink[16384];
    for (;;) {
        const ssize_t n = ::recv(_fd, sink, sizeof(sink), 0);
        if (n == 0)
            return Io::Closed;
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Io::WantRead : Io::Failed;
    }
}
