// crashpad_handler: started by the program with one end of a socket pair. Writes a report
// when the program crashes and hands the upload to larkspan-crash-upload. Plain C++ with
// libdw only, so that while it waits it costs the machine next to nothing.

#include "CrashHandler.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    CrashHandler::Options options;
    std::string error;
    if (!CrashHandler::parse(argc, argv, &options, &error)) {
        std::fprintf(stderr,
                     "crashpad_handler: %s\nusage: crashpad_handler --reports DIR --socket FD "
                     "[--upload-to URL] [--field KEY=VALUE]... [--no-rate-limit]\n",
                     error.c_str());
        return 2;
    }
    // Whatever else the program left open (its log, its database) is not ours to hold.
    if (options.socket > 3)
        ::close_range(3, static_cast<unsigned>(options.socket) - 1, 0);
    ::close_range(static_cast<unsigned>(options.socket) + 1, ~0U, 0);
    ::fcntl(options.socket, F_SETFD, FD_CLOEXEC);

    // Symbols come from the files on this machine, never from the network.
    ::unsetenv("DEBUGINFOD_URLS");
    // A closed terminal or Ctrl+C in it must not cut a report short; the program's end is
    // noticed through the socket.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    // Uploaders started in the background are reaped by the kernel.
    struct sigaction noZombies = {};
    noZombies.sa_handler = SIG_DFL;
    noZombies.sa_flags = SA_NOCLDWAIT;
    sigemptyset(&noZombies.sa_mask);
    ::sigaction(SIGCHLD, &noZombies, nullptr);

    return CrashHandler(std::move(options)).run();
}
