#pragma once

#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

// Starts the crash handler process with one end of a socket pair and waits, bounded, for
// it to say it is ready. The other end stays with the program for the crash signal
// handler; when the program ends, however it ends, the handler sees the socket close.
class CrashHandlerLauncher
{
public:
    CrashHandlerLauncher() = default;
    // A handler that never became ready is killed; a ready one keeps running.
    ~CrashHandlerLauncher();
    CrashHandlerLauncher(const CrashHandlerLauncher&) = delete;
    CrashHandlerLauncher& operator=(const CrashHandlerLauncher&) = delete;

    bool start(const std::string& handler, const std::string& database, const std::string& url,
               const std::map<std::string, std::string>& annotations, const std::vector<std::string>& arguments);
    // True once the handler has reported ready; false after timeoutMs or if it ended.
    bool waitForReady(int timeoutMs);
    // Hands the program's end of the socket over (to the signal handler); -1 if not ready.
    int releaseSocket();
    pid_t pid() const { return _pid; }

private:
    void abandon();

    int _socket = -1;
    pid_t _pid = -1;
    bool _ready = false;
};
