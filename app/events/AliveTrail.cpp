#include "AliveTrail.h"

#include "Clock.h"

#include <cstdlib>

namespace {

// The loop's own period: a pass that comes much later than this means the process was not
// running in between.
constexpr qint64 kPassMs = 5000;
// How late a pass may come, or how much the machine may have slept, before that time is
// taken as time the program could not watch the user. A busy machine delays a thread by
// far less; a stop or a sleep shorter than this is not worth a break in the logs.
constexpr qint64 kLostMs = 10000;
constexpr qint64 kSleptMs = 2000;
// How far the wall clock may drift from the boot-time clock between two readings before it
// counts as set: time synchronisation slews far more gently, and a step of a second or two
// is not worth a new timeline.
constexpr qint64 kWallJumpMs = 2000;

QDateTime fromMSecs(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

} // namespace

AliveTrail::Mark AliveTrail::Mark::now()
{
    return {Clock::currentMSecsSinceEpoch(), Clock::bootMSecs(), Clock::monotonicMSecs()};
}

AliveTrail::AliveTrail()
{
    restart();
}

void AliveTrail::restart()
{
    _lastPass = Mark::now();
    _marks.assign(1, _lastPass);
}

AliveTrail::Jump AliveTrail::note()
{
    const Mark now = Mark::now();
    const Mark& last = _marks.empty() ? _lastPass : _marks.back();
    const qint64 jumpMs = (now.wallMs - last.wallMs) - (now.bootMs - last.bootMs);
    if (std::llabs(jumpMs) <= kWallJumpMs) {
        _marks.push_back(now);
        return {};
    }
    Jump jump {jumpMs, fromMSecs(last.wallMs), fromMSecs(now.wallMs)};
    // Only the boot-time clock of the last pass still measures how late the next one comes.
    _marks.assign(1, now);
    return jump;
}

AliveTrail::Lost AliveTrail::endPass()
{
    const Lost lost = findLost();
    _lastPass = _marks.back();
    _marks.assign(1, _lastPass);
    return lost;
}

AliveTrail::Lost AliveTrail::findLost() const
{
    const Mark& now = _marks.back();
    const qint64 lateMs = (now.bootMs - _lastPass.bootMs) - kPassMs;
    const qint64 sleptMs = (now.bootMs - now.monotonicMs) - (_lastPass.bootMs - _lastPass.monotonicMs);
    if (lateMs <= kLostMs && sleptMs <= kSleptMs)
        return {};
    // The lost time lies between two neighbouring moments the program was seen running:
    // the pair farthest apart, in sleep when the machine slept, else in boot time. Every
    // other pair together spans no more than one period of the loop.
    const bool slept = sleptMs > kSleptMs;
    size_t before = 0;
    qint64 widest = -1;
    for (size_t i = 0; i + 1 < _marks.size(); ++i) {
        const Mark& a = _marks[i];
        const Mark& b = _marks[i + 1];
        const qint64 width = slept ? (b.bootMs - a.bootMs) - (b.monotonicMs - a.monotonicMs) : b.bootMs - a.bootMs;
        if (width > widest) {
            widest = width;
            before = i;
        }
    }
    if (widest < 0)
        return {};
    return {true, slept, (slept ? sleptMs : lateMs + kPassMs) / 1000, fromMSecs(_marks[before].wallMs)};
}
