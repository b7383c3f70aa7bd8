#pragma once

#include "AliveTrail.h"
#include "DatabaseManager.h"
#include "PauseState.h"
#include "StoppableThread.h"
#include "TimeEvent.h"
#include "TimeLogBuilder.h"

#include <QDateTime>
#include <QMutex>
#include <QString>

#include <atomic>

// The thread that turns sampled events into tracked time: it stores events, decides
// when the user is idle or paused, builds time logs every minute and records manual time.
// No Q_OBJECT: its slots are plain members connected to the hub, and its one translated
// text lives in the "QThread" context.
class EventManager : public StoppableThread
{
public:
    EventManager();
    ~EventManager() override;

    void run() override;
    // Stores one event unless tracking is paused; empty names become the empty marker.
    // Called from the capture threads and from the loop itself.
    virtual void addEvent(TimeEvent& event);

    // One pass of the loop without its 5-second sleep; the loop calls it, and so can tests.
    void runPass();

    void pause(int minutes);
    void resume();
    void onAddManualTime(const QDateTime& startTime, const QDateTime& endTime, const QString& manualType,
                         const QString& comment);
    void onCancelIdleTime();
    void createIdleEvent(const QDateTime& eventTime);
    // The machine is about to sleep (true) or has woken (false), as the session's login
    // manager announces it where there is one.
    void prepareForSleep(bool sleeping);

    bool isPaused() const { return _pause.isPaused(); }
    int pauseMinutes() const { return _pause.minutes(); }

private:
    void createPauseEvent();
    bool isIdle();
    QDateTime lastUserEventTime();
    QDateTime lastPauseEventTime();
    void loadPauseStatusFromSettings();
    void buildAndDropPausedLogs();
    void resetRecentUserEvents();
    // Tells the user once when tracked time cannot be saved, and once when it can again.
    void noteStoreOutcome(TimeLogBuilder::Result result);

    // Notes that the program runs now; when the wall clock moved apart from the boot-time
    // clock since the last note, tells the builder, moves the stored last activity times
    // with the clock and returns by how much. Expects the database lock to be held.
    qint64 noteAlive(TimeLogBuilder::Result& built);
    // Finds a time since the last pass when the program did not run (a sleep, a stopped
    // process) and breaks the logs at the last moment seen before it. Database lock held.
    void breakAtLostTime();
    // Moves the rest of what the idle test compares with by the amount the wall clock was
    // set, so that setting the clock is neither absence nor activity.
    void followWallClock(qint64 jumpMs, TimeLogBuilder::Result built);
    QDateTime shiftedAppStartTime() const;

    DatabaseManager& databaseManager;
    PauseState _pause;
    TimeLogBuilder builder;

    // Guards the idle and counter fields below, which the loop, the capture threads and the
    // main thread all touch. Never held together with the database lock or while emitting.
    mutable QMutex _stateMutex;
    QDateTime _idleStart;
    QDateTime _lastManualTimeAdded;
    QDateTime _recentUserEventStart;
    int _recentUserEventNum = 0;
    bool _storeFailing = false;

    QDateTime _lastBuild;

    // Guarded by the database lock.
    AliveTrail _trail;
    // How far the wall clock was set since the start, forward positive.
    std::atomic<qint64> _wallShiftMs {0};
};
