#include "WaitBoard.h"

#include <algorithm>

bool WaitBoard::holdPoll(const QString& client, std::chrono::milliseconds timeout, const std::function<bool()>& ready,
                         const std::function<bool()>& abandoned)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(_mutex);
    if (ready())
        return true;
    if (_stopping || _heldPolls >= maxHeldPolls)
        return false;
    const quint64 poll = ++_lastPoll;
    _pollOfClient.insert(client, poll);
    ++_heldPolls;
    _cond.notify_all(); // an older poll of this client ends now
    bool result = false;
    for (;;) {
        // Asked first, so a login that arrives for a client that has gone stays for its next poll.
        if (_stopping || _pollOfClient.value(client) != poll || (abandoned && abandoned()))
            break;
        if (ready()) {
            result = true;
            break;
        }
        const auto wake = abandoned ? std::min(deadline, std::chrono::steady_clock::now() + abandonCheck) : deadline;
        if (_cond.wait_until(lock, wake) == std::cv_status::timeout && wake == deadline) {
            result = ready();
            break;
        }
    }
    --_heldPolls;
    if (_pollOfClient.value(client) == poll)
        _pollOfClient.remove(client);
    return result;
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
