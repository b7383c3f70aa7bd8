#pragma once

#include "Clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

// Holds the program's clock (Clock) at a set instant for as long as it lives, so a test
// moves time on explicitly instead of rewriting stored instants or sleeping through real
// seconds. Every thread sees the held instant; the clock runs again on destruction.
// One at a time per process.
//
// Plain moves (set, advance) are time passing, on all clocks alike. The machine sleeping
// and the wall clock being set are moves of their own: suspendSecs moves the wall and
// boot-time clocks but not the monotonic one, setWallClockBySecs moves the wall clock alone.
class TestClock
{
public:
    // A fixed weekday morning, far from any daylight-saving change.
    static QDateTime defaultStart() { return QDateTime(QDate(2024, 3, 13), QTime(10, 0), Qt::UTC); }

    explicit TestClock(const QDateTime& start = defaultStart()) { set(start); }
    ~TestClock() { Clock::release(); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void set(const QDateTime& instant) { Clock::hold(instant.toMSecsSinceEpoch()); }
    void advanceMSecs(qint64 msecs) { Clock::advance(msecs, msecs, msecs); }
    void advanceSecs(qint64 secs) { advanceMSecs(secs * 1000); }
    void suspendSecs(qint64 secs) { Clock::advance(secs * 1000, secs * 1000, 0); }
    void setWallClockBySecs(qint64 secs) { Clock::advance(secs * 1000, 0, 0); }
    QDateTime nowUtc() const { return Clock::nowUtc(); }
    QDateTime nowLocal() const { return Clock::nowLocal(); }
    qint64 msecs() const { return Clock::currentMSecsSinceEpoch(); }
};
