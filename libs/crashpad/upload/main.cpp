// larkspan-crash-upload: sends the pending reports of a crash report folder to the
// collector and ends. Kept apart from the handler so the handler, which waits for the
// whole session, never loads the HTTP and TLS libraries.

#include "CrashReportDatabase.h"
#include "ReportUploader.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    std::string reports, url;
    long timeLimitSecs = ReportUploader::defaultTimeLimit.count();
    bool valid = argc % 2 == 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--reports") {
            reports = argv[i + 1];
        } else if (arg == "--upload-to") {
            url = argv[i + 1];
        } else if (arg == "--time-limit") {
            char* end = nullptr;
            timeLimitSecs = std::strtol(argv[i + 1], &end, 10);
            valid = valid && *end == '\0' && timeLimitSecs > 0 && timeLimitSecs <= 3600;
        }
    }
    if (reports.empty() || url.empty() || !valid) {
        std::fprintf(stderr, "usage: larkspan-crash-upload --reports DIR --upload-to URL [--time-limit SECS]\n");
        return 2;
    }
    auto database = CrashReportDatabase::initialize(reports);
    if (!database) {
        std::fprintf(stderr, "larkspan-crash-upload: cannot use the report folder %s\n", reports.c_str());
        return 1;
    }
    if (!database->uploadsEnabled())
        return 0;
    ReportUploader uploader(*database, url, std::chrono::seconds(timeLimitSecs));
    uploader.uploadPending();
    return database->pending().empty() ? 0 : 1;
}
