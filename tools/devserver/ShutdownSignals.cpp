#include "ShutdownSignals.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

namespace {
sigset_t stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}
} // namespace

void ShutdownSignals::block()
{
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ShutdownSignals::ShutdownSignals(std::function<void(int)> onSignal)
    : _onSignal(std::move(onSignal)), _thread([this] { watch(); })
{}

ShutdownSignals::~ShutdownSignals()
{
    _done = true;
    _thread.join();
}

void ShutdownSignals::watch()
{
    const sigset_t set = stopSignals();
    // A short timeout lets the destructor end the watch without sending itself a signal.
    const timespec tick {0, 200 * 1000 * 1000};
    while (!_done) {
        const int sig = sigtimedwait(&set, nullptr, &tick);
        if (sig > 0) {
            _onSignal(sig);
            return;
        }
    }
}
