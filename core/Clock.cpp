#include "Clock.h"

#include <time.h>

std::atomic<qint64> Clock::s_heldMs {Clock::kRunning};
std::atomic<qint64> Clock::s_heldBootMs {0};
std::atomic<qint64> Clock::s_heldMonotonicMs {0};

namespace {

qint64 readMSecs(clockid_t id)
{
    timespec now {};
    if (clock_gettime(id, &now) != 0)
        return 0;
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

qint64 Clock::currentMSecsSinceEpoch()
{
    const qint64 held = s_heldMs.load(std::memory_order_acquire);
    return held == kRunning ? QDateTime::currentMSecsSinceEpoch() : held;
}

QDateTime Clock::nowUtc()
{
    return QDateTime::fromMSecsSinceEpoch(currentMSecsSinceEpoch(), Qt::UTC);
}

QDateTime Clock::nowLocal()
{
    return QDateTime::fromMSecsSinceEpoch(currentMSecsSinceEpoch(), Qt::LocalTime);
}

qint64 Clock::monotonicMSecs()
{
    if (s_heldMs.load(std::memory_order_acquire) != kRunning)
        return s_heldMonotonicMs.load(std::memory_order_acquire);
    return readMSecs(CLOCK_MONOTONIC);
}

qint64 Clock::bootMSecs()
{
    if (s_heldMs.load(std::memory_order_acquire) != kRunning)
        return s_heldBootMs.load(std::memory_order_acquire);
    return readMSecs(CLOCK_BOOTTIME);
}

void Clock::hold(qint64 msecsSinceEpoch)
{
    // Setting a held clock is time passing, as if the test had slept until then: the other
    // two clocks move with it. The first hold starts them where the real ones stand.
    const qint64 previous = s_heldMs.load(std::memory_order_acquire);
    if (previous == kRunning) {
        s_heldBootMs.store(readMSecs(CLOCK_BOOTTIME), std::memory_order_release);
        s_heldMonotonicMs.store(readMSecs(CLOCK_MONOTONIC), std::memory_order_release);
    } else {
        const qint64 passed = msecsSinceEpoch - previous;
        s_heldBootMs.fetch_add(passed, std::memory_order_acq_rel);
        s_heldMonotonicMs.fetch_add(passed, std::memory_order_acq_rel);
    }
    s_heldMs.store(msecsSinceEpoch == kRunning ? kRunning + 1 : msecsSinceEpoch, std::memory_order_release);
}

void Clock::advance(qint64 wallMs, qint64 bootMs, qint64 monotonicMs)
{
    if (s_heldMs.load(std::memory_order_acquire) == kRunning)
        hold(QDateTime::currentMSecsSinceEpoch());
    s_heldBootMs.fetch_add(bootMs, std::memory_order_acq_rel);
    s_heldMonotonicMs.fetch_add(monotonicMs, std::memory_order_acq_rel);
    s_heldMs.fetch_add(wallMs, std::memory_order_acq_rel);
}

void Clock::release()
{
    s_heldMs.store(kRunning, std::memory_order_release);
}
