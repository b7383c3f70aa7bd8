#pragma once

#include "CrashMessage.h"
#include "CrashReportDatabase.h"
#include "ThreadUnwinder.h"

#include <string>

// The report a developer reads: what happened (signal, code, fault address or sender),
// where (the crashed thread's id, name and symbolised backtrace), in which build (the
// program's version and annotations, every loaded module with its build id) and the other
// threads that were running. Process details are read from /proc while the crashed
// process still exists.
class CrashReportText
{
public:
    static std::string format(const CrashWire::CrashMessage& message, const ThreadUnwinder& unwinder,
                              const CrashReportDatabase::Fields& fields);

    static std::string signalName(int signalNumber);
    static std::string codeName(int signalNumber, int code);
};
