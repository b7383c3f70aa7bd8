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

private:
    // Tests only, through TestClock: while held, every read returns the held instant.
    friend class TestClock;
    static void hold(qint64 msecsSinceEpoch);
    static void advance(qint64 msecs);
    static void release();

    static constexpr qint64 kRunning = std::numeric_limits<qint64>::min();
    static std::atomic<qint64> s_heldMs;
};
