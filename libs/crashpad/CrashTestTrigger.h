#pragma once

#include <QString>

class QObject;

// For tests only: crashes the running program on purpose, in a thread of the test's
// choosing, so the whole road of a crash report can be checked against the real program.
// Armed by the environment variable LARKSPAN_TEST_CRASH="<thread>:<kind>[:<delay ms>]",
// read once at start; <thread> is a thread name as the system shows it (Qt names threads
// after their class, cut to 15 characters: "EventManager", "TimeLogUploader", or
// "Larkspan" for the main thread), <kind> one of segv, abort, assert, fpe, bus, ill.
// Without the variable it does nothing. Compiled only with the CMake option
// LARKSPAN_CRASH_TEST_HOOK, which builds with tests turn on and the package leaves off.
class CrashTestTrigger
{
public:
    enum class Kind { BadPointer, Abort, FailedAssertion, DivideByZero, BusError, IllegalInstruction };

    static void armFromEnvironment(QObject* context);
    static bool parse(const QString& text, QString* thread, Kind* kind, int* delayMs);

    // Runs on the chosen thread (from a signal the trigger sends it) and does not return.
    static void crashNow(Kind kind);

private:
    CrashTestTrigger() = delete;
};
