#include "HardenedServer.h"

#include "Connection.h"
#include "ConnectionStream.h"
#include "RequestHead.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string addressText(const sockaddr_storage& addr, int* port)
{
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    getnameinfo(reinterpret_cast<const sockaddr*>(&addr), sizeof(addr), host, sizeof(host), service, sizeof(service),
                NI_NUMERICHOST | NI_NUMERICSERV);
    *port = std::atoi(service);
    return host;
}

const char* reasonPhrase(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 408:
        return "Request Timeout";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

} // namespace

HardenedServer::HardenedServer(const Limits& limits, SSL_CTX* tls) : _limits(limits), _tls(tls)
{
    // A client that goes away while we write must not end the server.
    std::signal(SIGPIPE, SIG_IGN);
    _epoll = epoll_create1(EPOLL_CLOEXEC);
    _wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    set_payload_max_length(limits.maxBodyBytes);
    set_keep_alive_max_count(100);
    // The library answers a body it could not read with 400; when the reason is the size
    // cap, the client is told so.
    set_error_handler(HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        const ConnectionStream* stream = ConnectionStream::current();
        if (!stream || !stream->budgetExceeded())
            return HandlerResponse::Unhandled;
        res.status = 413;
        res.set_content("request body too large\n", "text/plain");
        return HandlerResponse::Handled;
    }));
}

HardenedServer::~HardenedServer()
{
    _connections.clear();
    if (_listen >= 0)
        ::close(_listen);
    ::close(_epoll);
    ::close(_wake);
    if (_tls)
        SSL_CTX_free(_tls);
}

SSL_CTX* HardenedServer::tlsContext(const std::string& certFile, const std::string& keyFile, std::string* error)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (ctx) {
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        SSL_CTX_set_options(ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
        if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) == 1
            && SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) == 1
            && SSL_CTX_check_private_key(ctx) == 1)
            return ctx;
    }
    char reason[256] = "cannot create a TLS context";
    if (const unsigned long code = ERR_get_error())
        ERR_error_string_n(code, reason, sizeof(reason));
    ERR_clear_error();
    *error = reason;
    SSL_CTX_free(ctx);
    return nullptr;
}

int HardenedServer::bindTo(const std::string& host, int port)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    for (addrinfo* ai = found; ai && _listen < 0; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0)
            continue;
        // Not SO_REUSEPORT: a second server on the port would quietly take half the requests.
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        if (::bind(fd, ai->ai_addr, ai->ai_addrlen) == 0 && ::listen(fd, 128) == 0)
            _listen = fd;
        else
            ::close(fd);
    }
    freeaddrinfo(found);
    if (_listen < 0)
        return -1;
    sockaddr_storage addr {};
    socklen_t len = sizeof(addr);
    getsockname(_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    int bound = 0;
    addressText(addr, &bound);
    return bound;
}

void HardenedServer::halt()
{
    _halted = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(_wake, &one, sizeof(one));
}

void HardenedServer::run()
{
    if (_listen < 0)
        return;
    epoll_event ev {};
    ev.events = EPOLLIN;
    ev.data.fd = _listen;
    epoll_ctl(_epoll, EPOLL_CTL_ADD, _listen, &ev);
    ev.data.fd = _wake;
    epoll_ctl(_epoll, EPOLL_CTL_ADD, _wake, &ev);
    _pool = std::make_unique<httplib::ThreadPool>(_limits.workers);

    epoll_event events[64];
    while (!_halted) {
        const int n = epoll_wait(_epoll, events, 64, 100);
        for (int i = 0; i < n && !_halted; ++i) {
            const int fd = events[i].data.fd;
            if (fd == _listen) {
                accept();
            } else if (fd == _wake) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t r = ::read(_wake, &count, sizeof(count));
            } else {
                const auto it = _connections.find(fd);
                if (it != _connections.end() && it->second->state != Connection::State::Worker)
                    advance(it->second.get());
            }
        }
        takeFinished();
        expire();
    }
    ::close(_listen);
    _listen = -1;
    // Workers end within their read and write bounds; held requests were woken by the owner.
    _pool->shutdown();
    takeFinished();
    _connections.clear();
}

void HardenedServer::accept()
{
    for (;;) {
        sockaddr_storage remote {};
        socklen_t len = sizeof(remote);
        const int fd = ::accept4(_listen, reinterpret_cast<sockaddr*>(&remote), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (_connections.size() >= _limits.maxConnections)
            evictOldestWaiting();
        if (_connections.size() >= _limits.maxConnections) {
            ::close(fd);
            continue;
        }
        const int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
        sockaddr_storage local {};
        len = sizeof(local);
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len);
        int remotePort = 0;
        int localPort = 0;
        const std::string remoteIp = addressText(remote, &remotePort);
        const std::string localIp = addressText(local, &localPort);
        SSL* ssl = nullptr;
        if (_tls) {
            ssl = SSL_new(_tls);
            if (!ssl) {
                ::close(fd);
                continue;
            }
            SSL_set_fd(ssl, fd);
        }
        auto c = std::make_unique<Connection>(fd, ssl, remoteIp, remotePort, localIp, localPort);
        c->deadline = Clock::now() + (ssl ? _limits.head : _limits.idle);
        Connection* raw = c.get();
        _connections[fd] = std::move(c);
        watch(raw, EPOLLIN);
    }
}

void HardenedServer::watch(Connection* c, uint32_t events)
{
    if (c->watchedEvents == events)
        return;
    epoll_event ev {};
    ev.events = events;
    ev.data.fd = c->fd();
    epoll_ctl(_epoll, c->watchedEvents ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, c->fd(), &ev);
    c->watchedEvents = events;
}

void HardenedServer::unwatch(Connection* c)
{
    if (c->watchedEvents)
        epoll_ctl(_epoll, EPOLL_CTL_DEL, c->fd(), nullptr);
    c->watchedEvents = 0;
}

void HardenedServer::close(Connection* c)
{
    unwatch(c);
    _connections.erase(c->fd());
}

bool HardenedServer::readAvailable(Connection* c)
{
    // Read no further than the request can use: the header block, or the small body the
    // head announced. What lies beyond stays in the socket until it is wanted.
    size_t limit = _limits.maxHeadBytes + 1;
    if (c->state == Connection::State::Body) {
        const auto head = RequestHead::parse(c->buffer);
        limit = head->end + head->contentLength.value_or(0);
    }
    char chunk[16384];
    while (c->buffer.size() < limit) {
        const Connection::Result r = c->receive(chunk, std::min(sizeof(chunk), limit - c->buffer.size()));
        switch (r.io) {
        case Connection::Io::Done:
            c->buffer.append(chunk, r.bytes);
            continue;
        case Connection::Io::WantRead:
            watch(c, EPOLLIN);
            return true;
        case Connection::Io::WantWrite:
            watch(c, EPOLLOUT);
            return true;
        case Connection::Io::Closed:
            c->peerClosed = true;
            return !c->buffer.empty();
        case Connection::Io::Failed:
            return false;
        }
    }
    return true;
}

void HardenedServer::advance(Connection* c)
{
    const auto now = Clock::now();
    if (c->state == Connection::State::Draining) {
        if (c->discard() != Connection::Io::WantRead)
            close(c);
        return;
    }
    if (c->state == Connection::State::Handshake) {
        switch (c->handshake()) {
        case Connection::Io::Done:
            c->state = Connection::State::Idle;
            c->deadline = now + _limits.idle;
            break;
        case Connection::Io::WantRead:
            watch(c, EPOLLIN);
            return;
        case Connection::Io::WantWrite:
            watch(c, EPOLLOUT);
            return;
        default:
            close(c);
            return;
        }
    }
    if (!readAvailable(c)) {
        close(c);
        return;
    }
    if (c->buffer.empty())
        return;
    if (c->state == Connection::State::Idle) {
        c->state = Connection::State::Head;
        c->deadline = now + _limits.head;
    }
    const auto head = RequestHead::parse(c->buffer);
    if (!head || head->end > _limits.maxHeadBytes) {
        if (c->buffer.size() > _limits.maxHeadBytes || (head && head->end > _limits.maxHeadBytes))
            refuse(c, 431, "request header block too large");
        else if (c->peerClosed)
            close(c);
        return;
    }
    requestReady(c, *head);
}

void HardenedServer::requestReady(Connection* c, const RequestHead& head)
{
    if (head.malformed) {
        refuse(c, 400, "conflicting or unreadable body framing");
        return;
    }
    if (head.contentLength && *head.contentLength > _limits.maxBodyBytes) {
        refuse(c, 413, "request body too large");
        return;
    }
    const bool large =
        head.bodyOfUnknownLength() || head.expectContinue || head.contentLength.value_or(0) > _limits.smallBodyBytes;
    if (!large) {
        if (c->buffer.size() < head.end + head.contentLength.value_or(0)) {
            if (c->peerClosed) {
                close(c);
            } else if (c->state != Connection::State::Body) {
                c->state = Connection::State::Body;
                c->deadline = Clock::now() + _limits.head;
            }
            return;
        }
        dispatch(c, head, false);
        return;
    }
    // A body a worker has to wait for holds that worker: only a few at a time, so slow
    // uploads never take the workers that answer everybody else.
    if (_largeBodies >= _limits.maxLargeBodies) {
        refuse(c, 503, "too many large requests at once, try again later");
        return;
    }
    ++_largeBodies;
    dispatch(c, head, true);
}

void HardenedServer::dispatch(Connection* c, const RequestHead& head, bool largeBody)
{
    unwatch(c);
    c->state = Connection::State::Worker;
    _pool->enqueue([this, c, head, largeBody] { serve(c, head, largeBody); });
}

void HardenedServer::serve(Connection* c, RequestHead head, bool largeBody)
{
    bool keepAlive = false;
    {
        const ConnectionStream::Limits limits {_limits.maxBodyBytes, _limits.readWait, _limits.writeWait,
                                               Clock::now() + _limits.request, &_halted};
        ConnectionStream stream(*c, head.end, limits);
        const bool last = c->peerClosed || _halted || c->requestsServed + 1 >= keep_alive_max_count_;
        bool closedByRequest = false;
        const bool ok = process_request(stream, last, closedByRequest, nullptr);
        ++c->requestsServed;
        // Only a body read to its announced end leaves the connection at the next request.
        const bool bodyDone = !head.bodyOfUnknownLength() && stream.bodyBytesRead() == head.contentLength.value_or(0);
        keepAlive = ok && !last && !closedByRequest && !stream.broken() && bodyDone;
        stream.returnUnused();
    }
    if (largeBody)
        --_largeBodies;
    {
        std::lock_guard<std::mutex> lock(_finishedMutex);
        _finished.push_back({c, keepAlive ? After::KeepAlive : After::Close});
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(_wake, &one, sizeof(one));
}

void HardenedServer::takeFinished()
{
    std::vector<Finished> finished;
    {
        std::lock_guard<std::mutex> lock(_finishedMutex);
        finished.swap(_finished);
    }
    for (const Finished& f : finished) {
        Connection* c = f.connection;
        if (_halted) {
            close(c);
        } else if (f.after == After::KeepAlive) {
            c->state = Connection::State::Idle;
            c->deadline = Clock::now() + _limits.idle;
            watch(c, EPOLLIN);
            // A pipelined request may already be here, in our buffer or inside TLS.
            advance(c);
        } else {
            startDraining(c);
        }
    }
}

void HardenedServer::refuse(Connection* c, int status, const char* reason)
{
    const std::string body = std::string(reason) + "\n";
    const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status)
        + "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
    // Small enough for the socket's buffer; a client that cannot take even that gets nothing.
    c->send(answer.data(), answer.size());
    startDraining(c);
}

void HardenedServer::startDraining(Connection* c)
{
    c->shutdownWrite();
    c->buffer.clear();
    c->state = Connection::State::Draining;
    c->deadline = Clock::now() + _limits.drain;
    watch(c, EPOLLIN);
}

void HardenedServer::expire()
{
    const auto now = Clock::now();
    std::vector<Connection*> late;
    for (const auto& entry : _connections) {
        if (entry.second->state != Connection::State::Worker && entry.second->deadline <= now)
            late.push_back(entry.second.get());
    }
    for (Connection* c : late) {
        if (c->state == Connection::State::Head || c->state == Connection::State::Body)
            refuse(c, 408, "request took too long");
        else
            close(c);
    }
}

void HardenedServer::evictOldestWaiting()
{
    Connection* oldest = nullptr;
    for (const auto& entry : _connections) {
        Connection* c = entry.second.get();
        if (c->state != Connection::State::Worker && (!oldest || c->opened < oldest->opened))
            oldest = c;
    }
    if (oldest)
        close(oldest);
}
