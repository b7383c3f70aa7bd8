#pragma once

#include <QDateTime>

#include <vector>

// The moments the program was seen running, each read on three clocks: the wall clock, the
// boot-time clock (which goes on through a sleep) and the monotonic one (which stops in it).
// Comparing them tells a wall clock that was set from one that merely ran, and a machine
// that slept from a process that was stopped. Not thread-safe: the event manager reads it
// under its database lock.
class AliveTrail
{
public:
    struct Mark {
        qint64 wallMs = 0;
        qint64 bootMs = 0;
        qint64 monotonicMs = 0;
        static Mark now();
    };
    // The wall clock was set by ms (forward positive) between lastSeen and now.
    struct Jump {
        qint64 ms = 0;
        QDateTime lastSeen;
        QDateTime now;
    };
    // A time the program could not watch the user, after the moment lastSeen.
    struct Lost {
        bool found = false;
        bool slept = false;
        qint64 secs = 0;
        QDateTime lastSeen;
    };

    AliveTrail();
    // The loop starts: the trail is only this moment.
    void restart();
    // Notes that the program runs now. After a jump, the moments seen before belong to the
    // old time and are forgotten.
    Jump note();
    // At the end of a pass of the loop: finds the time since the last pass when the
    // program did not run, and starts the next pass's trail.
    Lost endPass();

private:
    Lost findLost() const;

    // The last pass, then every moment seen running since.
    Mark _lastPass;
    std::vector<Mark> _marks;
};
