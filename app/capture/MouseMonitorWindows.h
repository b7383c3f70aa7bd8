#pragma once

#include "StoppableThread.h"

#include <memory>

class UserEventSampler;
class X11WindowReader;

// Polls the cursor every 3 seconds and reports a move as activity: the one source that
// still works where the input hooks cannot be installed.
class MouseMonitorWindows : public StoppableThread
{
public:
    explicit MouseMonitorWindows(UserEventSampler* sampler);
    ~MouseMonitorWindows() override;

    void run() override;
    // One poll without the sleep; the loop calls it, and so can tests.
    void poll();

protected:
    // Where the cursor is; false when it cannot be read (no X display).
    virtual bool readCursor(int& x, int& y);

private:
    int lastX = -1;
    int lastY = -1;
    int curX = -1;
    int curY = -1;
    UserEventSampler* sampler;
    std::unique_ptr<X11WindowReader> _reader;
};
