#pragma once

#include <QtGlobal>

#include <atomic>

// Whether tracking is paused and how: a number of minutes, or one of the codes of
// PauseCode. Every capture thread reads it on each event, so it is lock-free; a change is
// stored at once, so that a pause survives a restart.
class PauseState
{
public:
    void pause(int minutes);
    void resume();

    bool isPaused() const { return _paused; }
    int minutes() const { return _minutes; }
    // Whether a pause has run its course: its minutes have passed since the last activity,
    // or the day of a pause until tomorrow is over.
    bool hasRunOut(qint64 secsSinceLastUserEvent) const;

private:
    std::atomic<bool> _paused {false};
    std::atomic<int> _minutes {0};
};
