#pragma once

#include <QHash>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// Where held requests wait: long polls for a login and deliberate delays. Shutdown wakes
// every one of them at once, so stopping never waits for a client's patience.
class WaitBoard
{
public:
    // Holds a client's long poll until ready() is true, the time is up or the server stops;
    // returns ready(). ready() is checked with the board's lock held and pulse() takes it, so a change made
    // between a check and the wait cannot be missed. A held poll takes a worker, so few are
    // held: one per client (a newer poll of the same client ends the older one) and
    // maxHeldPolls in all; beyond that a poll is answered at once. A poll whose client went
    // away (abandoned() true, asked every abandonCheck) gives up its place at once, so
    // polls dropped by their clients cannot keep real logins waiting.
    bool holdPoll(const QString& client, std::chrono::milliseconds timeout, const std::function<bool()>& ready,
                  const std::function<bool()>& abandoned = {});
    static constexpr std::chrono::milliseconds abandonCheck {100};
    static constexpr int maxHeldPolls = 8;
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
    int _heldPolls = 0;
    quint64 _lastPoll = 0;
    QHash<QString, quint64> _pollOfClient; // the one poll each client may hold
};
