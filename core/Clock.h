#pragma once

#include "LarkspanCoreExport.h"

#include <QDateTime>

#include <atomic>
#include <limits>

// The wall clock for everything whose behaviour depends on the time of day: the idle
// threshold, timed and until-tomorrow pauses, the access token's lifetime, the sampling
// throttle, the update check interval, and the instants stored with events. One place to
// read it means tests can hold time still and move it (TestClock) instead of rewriting
// stored instants or waiting for real seconds to pass.
//
// Beside it, the two clocks that tell what really happened to the wall clock: the
// monotonic one stands still while the machine sleeps, the boot-time one does not, and
// neither follows the wall clock when it is set. A sleep therefore shows as boot time
// passing faster than monotonic time, a set clock as wall time passing differently from
// boot time.
//
// Reads are lock-free and cheap: the capture threads read it on every input event.
// Spans measured only to bound a wait (timeouts, retries) are not wall-clock decisions
// and use QElapsedTimer or a steady clock instead.
class LARKSPAN_CORE_EXPORT Clock
{
public:
    Clock() = delete;

    static qint64 currentMSecsSinceEpoch();
    static QDateTime nowUtc();
    static QDateTime nowLocal();
    // Milliseconds of CLOCK_MONOTONIC and CLOCK_BOOTTIME; only differences mean anything.
    static qint64 monotonicMSecs();
    static qint64 bootMSecs();

private:
    // Tests only, through TestClock: while held, every read returns the held instant.
    friend class TestClock;
    static void hold(qint64 msecsSinceEpoch);
    // Moves the held clocks on: the wall clock by wallMs, the boot-time clock by bootMs and
    // the monotonic clock by monotonicMs.
    static void advance(qint64 wallMs, qint64 bootMs, qint64 monotonicMs);
    static void release();

    static constexpr qint64 kRunning = std::numeric_limits<qint64>::min();
    static std::atomic<qint64> s_heldMs;
    static std::atomic<qint64> s_heldBootMs;
    static std::atomic<qint64> s_heldMonotonicMs;
};
