#include "UnixSignalWatcher.h"

#include "QtLog.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int maxWatched = 8;
} // namespace

// What the signal handler needs of the watcher: the pipe's writing end and the signals
// whose default action it puts back.
struct UnixSignalRoute {
    int fds[2] = {-1, -1};
    int watched[maxWatched] = {};
    struct sigaction previous[maxWatched] = {};
    int watchedCount = 0;
};

namespace {

// The live watcher's route. A signal handler is handed no object, so this one pointer is
// how it finds the watcher; the watcher owns everything it points to.
std::atomic<UnixSignalRoute*> liveRoute {nullptr};

extern "C" void onSignal(int signalNumber)
{
    const UnixSignalRoute* route = liveRoute.load();
    if (!route)
        return;
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: if the pipe is full a quit is already pending.
    [[maybe_unused]] ssize_t written = ::write(route->fds[0], &byte, 1);
    // The first signal starts an orderly quit; should that hang, the next one must end the
    // process as it would without us, or the user has nothing left but SIGKILL.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int i = 0; i < route->watchedCount; ++i)
        ::sigaction(route->watched[i], &fallback, nullptr);
    errno = savedErrno;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent) : QObject(parent)
{
    if (liveRoute.load()) {
        LK_WARNING() << "UnixSignalWatcher - another watcher is live, this one watches nothing";
        return;
    }
    auto route = std::make_unique<UnixSignalRoute>();
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, route->fds) != 0) {
        LK_WARNING() << "UnixSignalWatcher - cannot create socket pair, signals end the process";
        return;
    }
    _route = std::move(route);
    _notifier = new QSocketNotifier(_route->fds[1], QSocketNotifier::Read, this);
    connect(_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onReadable);
    for (int number : signalNumbers) {
        if (_route->watchedCount < maxWatched)
            _route->watched[_route->watchedCount++] = number;
    }
    // Published before the first action is set, so no handler finds it missing.
    liveRoute = _route.get();

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < _route->watchedCount; ++i)
        ::sigaction(_route->watched[i], &action, &_route->previous[i]);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    if (!_route)
        return;
    for (int i = 0; i < _route->watchedCount; ++i)
        ::sigaction(_route->watched[i], &_route->previous[i], nullptr);
    liveRoute = nullptr;
    ::close(_route->fds[0]);
    ::close(_route->fds[1]);
}

void UnixSignalWatcher::onReadable()
{
    unsigned char byte = 0;
    while (::read(_route->fds[1], &byte, 1) == 1)
        emit unixSignal(byte);
}
