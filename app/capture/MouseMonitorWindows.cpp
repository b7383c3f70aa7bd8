#include "MouseMonitorWindows.h"

#include "QtLog.h"
#include "UserEventSampler.h"
#include "X11WindowReader.h"

MouseMonitorWindows::MouseMonitorWindows(UserEventSampler* sampler)
    : sampler(sampler), _reader(std::make_unique<X11WindowReader>())
{}

MouseMonitorWindows::~MouseMonitorWindows() = default;

bool MouseMonitorWindows::readCursor(int& x, int& y)
{
    return _reader->cursorPosition(x, y);
}

void MouseMonitorWindows::poll()
{
    // Without a display the position stays as it was, which reads as no movement.
    readCursor(curX, curY);
    // The first poll only records; a previous x of 0 or less is not taken as a position.
    if (lastX > 0 && (curX != lastX || curY != lastY))
        sampler->onUserEvent();
    lastX = curX;
    lastY = curY;
}

void MouseMonitorWindows::run()
{
    while (!isStopRequested()) {
        poll();
        sleepSecs(3);
    }
    terminate();
    LK_INFO() << "MouseMonitorWindows has been terminated.";
}
