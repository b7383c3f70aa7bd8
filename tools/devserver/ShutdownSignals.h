#pragma once

#include <atomic>
#include <functional>
#include <thread>

// Turns SIGTERM and SIGINT into a call on an ordinary thread, where stopping the server
// is allowed (a signal handler may not take locks). block() must run before any other
// thread starts, so that every thread inherits the blocked mask and only the watcher
// receives the signals.
class ShutdownSignals
{
public:
    static void block();

    explicit ShutdownSignals(std::function<void(int)> onSignal);
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

private:
    void watch();

    std::function<void(int)> _onSignal;
    std::atomic<bool> _done {false};
    std::thread _thread;
};
