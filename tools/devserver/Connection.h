#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

typedef struct ssl_st SSL;

// One client connection on a non-blocking socket, plain or TLS, with what has been read
// from it and not yet used. The dispatcher owns it while it waits for a request; a worker
// owns it while it serves one.
class Connection
{
public:
    enum class Io { Done, WantRead, WantWrite, Closed, Failed };
    struct Result {
        Io io;
        size_t bytes;
    };

    enum class State {
        Handshake, // TLS handshake under way
        Idle, // between requests, nothing read yet
        Head, // reading a request's header block
        Body, // reading a small body before a worker takes the request
        Worker, // a worker serves the request
        Draining, // answered and closing: input is read and dropped, so the answer arrives
    };

    Connection(int fd, SSL* ssl, std::string remoteIp, int remotePort, std::string localIp, int localPort);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int fd() const { return _fd; }
    bool isTls() const { return _ssl != nullptr; }

    Io handshake();
    Result receive(char* buffer, size_t size);
    Result send(const char* data, size_t size);
    // Ends our side: the client still reads what was sent, then sees the end.
    void shutdownWrite();
    // Reads and drops what has arrived, below any TLS layer; Closed once the client is done.
    Io discard();

    const std::string& remoteIp() const { return _remoteIp; }
    int remotePort() const { return _remotePort; }
    const std::string& localIp() const { return _localIp; }
    int localPort() const { return _localPort; }

    // Bytes received and not yet consumed by a request.
    std::string buffer;
    State state = State::Idle;
    std::chrono::steady_clock::time_point deadline;
    std::chrono::steady_clock::time_point opened = std::chrono::steady_clock::now();
    size_t requestsServed = 0;
    bool peerClosed = false; // the client sent all it will send
    uint32_t watchedEvents = 0; // what the dispatcher waits for; 0 when not watched

private:
    Result sslResult(int rc, int n);

    int _fd;
    SSL* _ssl;
    std::string _remoteIp;
    int _remotePort;
    std::string _localIp;
    int _localPort;
};
