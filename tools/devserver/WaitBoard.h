#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Where held requests wait: long polls for a login and deliberate delays. Shutdown wakes
// every one of them at once, so stopping never waits for a client's patience.
class WaitBoard
{
public:
    // Waits until ready() is true, the time is up or the server stops; returns ready().
    bool waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& ready);
    // Sleeps; false when cut short by stop().
    bool sleepFor(std::chrono::milliseconds duration);

    // Tells the waiters that something they may be waiting for has changed.
    void pulse();
    void stop();
    bool stopping() const;

private:
    mutable std::mutex _mutex;
    std::condition_variable _cond;
    bool _stopping = false;
};
