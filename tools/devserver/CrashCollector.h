#pragma once

#include <QString>

#include <memory>
#include <thread>

class CrashStore;
class HardenedServer;

// The crash report collector: plain HTTP on a port of its own, "POST /" with a
// multipart/form-data body (the report's fields, and the report as a file part "report").
// Reports with an unknown submission token are refused (403), bodies that are not
// multipart or carry no report file too (400); accepted ones are stored and answered with
// {"id": n}. Runs on its own thread beside the main server, behind the same front that
// keeps slow or idle connections from holding its workers.
class CrashCollector
{
public:
    // The token the client is built with.
    static const char* const submissionToken;

    explicit CrashCollector(CrashStore& store);
    ~CrashCollector();
    CrashCollector(const CrashCollector&) = delete;
    CrashCollector& operator=(const CrashCollector&) = delete;

    // Listens on bind:port (0 picks a free port); false with error when the port is taken.
    bool start(const QString& bind, int port, QString* error);
    int port() const { return _port; }
    void stop();

private:
    CrashStore& _store;
    std::unique_ptr<HardenedServer> _server;
    std::thread _thread;
    int _port = 0;
};
