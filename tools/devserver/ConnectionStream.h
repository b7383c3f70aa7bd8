#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>

class Connection;

// The HTTP library's view of a connection while a worker serves one request on it: the
// bytes the dispatcher has read come first, then the socket. Reading is bounded by bytes
// (the body budget, whatever the framing) and by time (each wait, and the whole request),
// so no client can hold a worker or fill memory beyond those bounds.
class ConnectionStream : public httplib::Stream
{
public:
    struct Limits {
        size_t bodyBytes; // raw bytes after the header block
        std::chrono::milliseconds readWait; // longest wait for more input
        std::chrono::milliseconds writeWait; // longest wait to send more
        std::chrono::steady_clock::time_point readDeadline;
        const std::atomic<bool>* halted; // set when the server stops
    };

    ConnectionStream(Connection& connection, size_t headEnd, const Limits& limits);
    ~ConnectionStream() override;

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override;

    // Body bytes handed to the library so far.
    size_t bodyBytesRead() const;
    bool budgetExceeded() const { return _budgetExceeded; }
    // Reading failed or timed out, or a route gave up on the body: the connection ends.
    bool broken() const { return _broken; }
    void giveUpBody() { _broken = true; }
    // Moves what was read beyond this request back to the connection.
    void returnUnused();
    // The client has closed its side or dropped the connection: nobody waits for the answer.
    bool peerGone() const;

    // The stream the calling worker serves, for routes that must tell why a body failed.
    static ConnectionStream* current();

private:
    bool waitFor(short events, std::chrono::milliseconds wait) const;
    bool fill();

    Connection& _connection;
    size_t _pos = 0; // read position in the connection's buffer
    size_t _served = 0; // bytes handed to the library, header block included
    size_t _headEnd;
    Limits _limits;
    bool _budgetExceeded = false;
    bool _broken = false;
};
