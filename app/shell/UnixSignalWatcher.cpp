#include "UnixSignalWatcher.h"

#include "QtLog.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int pipeFds[2] = {-1, -1};
constexpr int maxWatched = 8;
int watched[maxWatched];
int watchedCount = 0;

extern "C" void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: if the pipe is full a quit is already pending.
    [[maybe_unused]] ssize_t written = ::write(pipeFds[0], &byte, 1);
    // The first signal starts an orderly quit; should that hang, the next one must end the
    // process as it would without us, or the user has nothing left but SIGKILL.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int i = 0; i < watchedCount; ++i)
        ::sigaction(watched[i], &fallback, nullptr);
    errno = savedErrno;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent)
{
    if (pipeFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0) {
        LK_WARNING() << "UnixSignalWatcher - cannot create socket pair, signals end the process";
        return;
    }
    _notifier = new QSocketNotifier(pipeFds[1], QSocketNotifier::Read, this);
    connect(_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onReadable);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : signalNumbers) {
        if (watchedCount < maxWatched)
            watched[watchedCount++] = number;
        ::sigaction(number, &action, nullptr);
    }
}

UnixSignalWatcher::~UnixSignalWatcher() = default;

void UnixSignalWatcher::onReadable()
{
    unsigned char byte = 0;
    while (::read(pipeFds[1], &byte, 1) == 1)
        emit unixSignal(byte);
}
