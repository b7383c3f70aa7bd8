#include "EventHandler.h"

#include "UserEventSampler.h"

EventHandler::EventHandler(UserEventSampler* sampler) : sampler(sampler) {}

EventHandler::~EventHandler() = default;

void EventHandler::onKeyboardEvent(std::int32_t, std::int32_t)
{
    sampler->onUserEvent();
}

void EventHandler::onMouseEvent(std::int32_t, std::int32_t, std::int32_t)
{
    sampler->onUserEvent();
}
