#pragma once

#include "QtLog.h"

// One debug line per step of the shutdown, so a log shows where a stop hung.
inline void shutdownStep(const char* step)
{
    LK_DEBUG() << QLatin1String("Shutdown: ") + QLatin1String(step);
}
