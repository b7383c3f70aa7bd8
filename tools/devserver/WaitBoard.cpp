#include "WaitBoard.h"

bool WaitBoard::waitFor(std::chrono::milliseconds timeout, const std::function<bool()>& ready)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(_mutex);
    // ready() is checked with _mutex held and pulse() takes it, so a change made between
    // the check and the wait cannot be missed.
    for (;;) {
        if (ready())
            return true;
        if (_stopping)
            return false;
        if (_cond.wait_until(lock, deadline) == std::cv_status::timeout)
            return ready();
    }
}

bool WaitBoard::sleepFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(_mutex);
    return !_cond.wait_for(lock, duration, [this] { return _stopping; });
}

void WaitBoard::pulse()
{
    std::lock_guard<std::mutex> lock(_mutex);
    _cond.notify_all();
}

void WaitBoard::stop()
{
    std::lock_guard<std::mutex> lock(_mutex);
    _stopping = true;
    _cond.notify_all();
}

bool WaitBoard::stopping() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _stopping;
}
