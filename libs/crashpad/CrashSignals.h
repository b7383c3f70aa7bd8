#pragma once

// The program's half of crash reporting: a handler for the signals that mean the process
// is broken (bad memory access, abort and failed assertions, arithmetic and illegal
// instructions). It runs on an alternate stack and uses async-signal-safe calls only: it
// copies the crashed thread's registers and stack to the handler process through the
// socket, waits (bounded) until the handler has written the report, and then lets the same
// signal end the process, so whoever started the program still sees it die by that signal.
class CrashSignals
{
public:
    // Takes the socket connected to a ready handler and installs the signal handlers.
    // Calling it again replaces the socket (the earlier one is closed). The calling thread
    // gets an alternate signal stack, so a stack overflow in it can still be reported;
    // other threads run the handler on their own stack.
    static void install(int handlerSocket);

    // How long a crashing thread waits for the handler to finish the report.
    static constexpr int replyTimeoutMs = 20000;

private:
    CrashSignals() = delete;
};
