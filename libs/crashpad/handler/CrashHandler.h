#pragma once

#include "CrashReportDatabase.h"

#include <memory>
#include <string>

// The handler process: says it is ready, sends reports left from earlier runs in the
// background, then waits in a blocking read on the program's socket. It wakes for one of
// two things only: the program crashed (write the report, let the program die, upload),
// or the program ended (the socket closed: end too).
class CrashHandler
{
public:
    struct Options {
        std::string reports;
        std::string url;
        CrashReportDatabase::Fields fields;
        int socket = -1;
        // Accepted for the program's sake; this handler sends every report anyway.
        bool noRateLimit = false;
    };

    // False with a message for a malformed command line.
    static bool parse(int argc, char** argv, Options* options, std::string* error);

    explicit CrashHandler(Options options);
    // The process's exit code.
    int run();

private:
    void handleCrash(const char* data, std::size_t size);
    // Starts the uploader for the pending reports; with replaceThisProcess the handler
    // becomes the uploader (after a crash there is nothing else left to do).
    void upload(bool replaceThisProcess);

    Options _options;
    std::unique_ptr<CrashReportDatabase> _database;
};
