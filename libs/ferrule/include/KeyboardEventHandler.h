#pragma once

#include <cstdint>

// Receives keyboard activity once hooks are installed (see ferrule.h). The callback runs
// on the library's own thread and should return quickly: while it runs, further input
// waits in the X connection's queue.
class KeyboardEventHandler
{
public:
    KeyboardEventHandler() = default;

    // eventType is the XInput 2 raw event type (XI_RawKeyPress); detail is always 0,
    // because the library never decodes an event's payload and so never learns which
    // key was pressed.
    virtual void onKeyboardEvent(std::int32_t eventType, std::int32_t detail) = 0;

protected:
    // Handlers are owned by the program, never deleted through this base.
    ~KeyboardEventHandler() = default;
};
