#pragma once

#include "EventManager.h"
#include "TimeEvent.h"
#include "WindowDetector.h"

#include <QMutex>
#include <vector>

// An event manager that keeps what it is given instead of storing it.
class RecordingEventManager : public EventManager
{
public:
    void addEvent(TimeEvent& event) override
    {
        QMutexLocker lock(&_recordMutex);
        events.push_back(event);
    }
    std::vector<TimeEvent> taken()
    {
        QMutexLocker lock(&_recordMutex);
        return events;
    }

private:
    QMutex _recordMutex;
    std::vector<TimeEvent> events;
};

// A detector whose "display" shows a window the test chooses.
class ScriptedDetector : public WindowDetector
{
public:
    QString appName;
    QString title;
    bool windowPresent = true;
    int reads = 0;

protected:
    bool readFromDisplay(WindowInfo& out) override
    {
        ++reads;
        if (!windowPresent)
            return false;
        if (!appName.isEmpty())
            out.appName = appName;
        out.windowTitle = title;
        return true;
    }
};
