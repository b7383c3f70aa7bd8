#pragma once

#include <cstdint>

// Receives mouse activity once hooks are installed (see ferrule.h). The callback runs on
// the library's own thread and should return quickly: while it runs, further input waits
// in the X connection's queue.
class MouseEventHandler
{
public:
    MouseEventHandler() = default;

    // eventType is the XInput 2 raw event type (XI_RawButtonPress, which includes wheel
    // steps, or XI_RawMotion); detail and extra are always 0, because the library never
    // decodes an event's payload: no button number, device or position is read.
    virtual void onMouseEvent(std::int32_t eventType, std::int32_t detail, std::int32_t extra) = 0;

protected:
    // Handlers are owned by the program, never deleted through this base.
    ~MouseEventHandler() = default;
};
