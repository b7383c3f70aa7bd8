#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class Connection;
struct RequestHead;
typedef struct ssl_ctx_st SSL_CTX;

// The HTTP library's routing and replies behind a front that no client can exhaust. One
// thread waits on every connection at once and reads each request's header block (and a
// small body) itself; a worker is only taken for a request that is ready to be served, so
// idle, slow or half-sent connections cost a socket, never a worker. Bodies are bounded
// in bytes and time whatever their framing, and answers to requests that are refused
// early are sent before the connection closes.
class HardenedServer : public httplib::Server
{
public:
    struct Limits {
        size_t workers = 32;
        size_t maxConnections = 512;
        size_t maxHeadBytes = 64 * 1024;
        size_t maxBodyBytes = 64 * 1024 * 1024;
        // Bodies up to this size are read before a worker is taken.
        size_t smallBodyBytes = 256 * 1024;
        // Requests whose body a worker must wait for, at once; more are answered 503.
        size_t maxLargeBodies = 4;
        std::chrono::milliseconds idle {5000}; // connection without a request
        std::chrono::milliseconds head {10000}; // a request's header block and small body
        std::chrono::milliseconds readWait {5000}; // a worker's wait for more of a body
        std::chrono::milliseconds request {120000}; // a worker's whole read of one body
        std::chrono::milliseconds writeWait {10000};
        std::chrono::milliseconds drain {2000}; // reading out a refused request
    };

    // With a TLS context (taken over) the server speaks HTTPS.
    explicit HardenedServer(const Limits& limits, SSL_CTX* tls = nullptr);
    ~HardenedServer() override;

    // Makes the TLS context for a PEM certificate chain and key; nullptr with a reason.
    static SSL_CTX* tlsContext(const std::string& certFile, const std::string& keyFile, std::string* error);

    // Listens on host:port (0 picks a free port); the port, or -1.
    int bindTo(const std::string& host, int port);
    // Serves until halt().
    void run();
    // From any thread.
    void halt();

private:
    enum class After { KeepAlive, Close };
    struct Finished {
        Connection* connection;
        After after;
    };
    using Clock = std::chrono::steady_clock;

    void accept();
    void advance(Connection* c);
    bool readAvailable(Connection* c);
    void requestReady(Connection* c, const RequestHead& head);
    void dispatch(Connection* c, const RequestHead& head, bool largeBody);
    void serve(Connection* c, RequestHead head, bool largeBody);
    void refuse(Connection* c, int status, const char* reason);
    void startDraining(Connection* c);
    void watch(Connection* c, uint32_t events);
    void unwatch(Connection* c);
    void close(Connection* c);
    void takeFinished();
    void expire();
    void evictOldestWaiting();

    Limits _limits;
    SSL_CTX* _tls;
    int _listen = -1;
    int _epoll = -1;
    int _wake = -1;
    std::atomic<bool> _halted {false};
    std::unique_ptr<httplib::ThreadPool> _pool;
    std::map<int, std::unique_ptr<Connection>> _connections;
    std::atomic<size_t> _largeBodies {0};

    std::mutex _finishedMutex;
    std::vector<Finished> _finished;
};
