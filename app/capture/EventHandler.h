#pragma once

#include "KeyboardEventHandler.h"
#include "MouseEventHandler.h"

class UserEventSampler;

// Receives every key press, click and mouse movement from the hooks and reports it as
// activity; nothing about the input itself is looked at.
class EventHandler : public KeyboardEventHandler, public MouseEventHandler
{
public:
    explicit EventHandler(UserEventSampler* sampler);
    virtual ~EventHandler();

    void onKeyboardEvent(std::int32_t eventType, std::int32_t detail) override;
    void onMouseEvent(std::int32_t eventType, std::int32_t detail, std::int32_t extra) override;

private:
    UserEventSampler* sampler;
};
