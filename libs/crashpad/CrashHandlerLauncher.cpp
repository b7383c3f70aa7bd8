#include "CrashHandlerLauncher.h"

#include "CrashMessage.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

long monotonicMs()
{
    timespec now = {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

} // namespace

CrashHandlerLauncher::~CrashHandlerLauncher()
{
    if (!_ready)
        abandon();
}

bool CrashHandlerLauncher::start(const std::string& handler, const std::string& database, const std::string& url,
                                 const std::map<std::string, std::string>& annotations,
                                 const std::vector<std::string>& arguments)
{
    abandon();
    int ends[2];
    // SEQPACKET keeps the crash message in one piece; CLOEXEC keeps both ends out of every
    // other process the program starts, even one another thread starts meanwhile.
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return false;

    std::vector<std::string> args {
        handler, "--reports", database, "--upload-to", url, "--socket", std::to_string(ends[1])};
    for (const auto& [key, value] : annotations) {
        args.push_back("--field");
        args.push_back(key + '=' + value);
    }
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    // posix_spawn, not fork: other threads (the toolkit's own) may already run. The handler
    // starts with no signal blocked, whatever the calling thread had blocked.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    // Only the handler's own copy of its end survives exec: a dup2 onto the same number in
    // the child clears close-on-exec there (glibc 2.29 and later), and the parent's flag
    // never changes.
    posix_spawn_file_actions_t files;
    ::posix_spawn_file_actions_init(&files);
    ::posix_spawn_file_actions_adddup2(&files, ends[1], ends[1]);
    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, handler.c_str(), &files, &attributes, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&files);
    ::posix_spawnattr_destroy(&attributes);
    ::close(ends[1]);
    if (result != 0) {
        ::close(ends[0]);
        return false;
    }
    _socket = ends[0];
    _pid = pid;
    return true;
}

bool CrashHandlerLauncher::waitForReady(int timeoutMs)
{
    if (_ready)
        return true;
    if (_socket < 0)
        return false;
    const long deadline = monotonicMs() + timeoutMs;
    for (;;) {
        const long left = deadline - monotonicMs();
        if (left <= 0)
            return false;
        pollfd pfd = {_socket, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char byte = 0;
        const ssize_t got = ::recv(_socket, &byte, 1, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got != 1 || byte != CrashWire::kReady)
            return false;
        _ready = true;
        // Where the kernel only lets a process read an ancestor's memory with its consent,
        // give it: the handler reads the crashed thread's deeper stack from the live process.
        ::prctl(PR_SET_PTRACER, static_cast<unsigned long>(_pid), 0, 0, 0);
        return true;
    }
}

int CrashHandlerLauncher::releaseSocket()
{
    if (!_ready)
        return -1;
    const int socket = _socket;
    _socket = -1;
    return socket;
}

void CrashHandlerLauncher::abandon()
{
    if (_socket >= 0) {
        ::close(_socket);
        _socket = -1;
    }
    if (_pid > 0 && !_ready) {
        ::kill(_pid, SIGKILL);
        ::waitpid(_pid, nullptr, 0);
    }
    _pid = -1;
    _ready = false;
}
