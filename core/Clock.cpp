#include "Clock.h"

std::atomic<qint64> Clock::s_heldMs {Clock::kRunning};

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

void Clock::hold(qint64 msecsSinceEpoch)
{
    s_heldMs.store(msecsSinceEpoch == kRunning ? kRunning + 1 : msecsSinceEpoch, std::memory_order_release);
}

void Clock::advance(qint64 msecs)
{
    qint64 held = s_heldMs.load(std::memory_order_acquire);
    if (held == kRunning)
        held = QDateTime::currentMSecsSinceEpoch();
    hold(held + msecs);
}

void Clock::release()
{
    s_heldMs.store(kRunning, std::memory_order_release);
}
