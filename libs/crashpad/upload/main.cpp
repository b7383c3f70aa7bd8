// larkspan-crash-upload: sends the pending reports of a crash report folder to the
// collector and ends. Kept apart from the handler so the handler, which waits for the
// whole session, never loads the HTTP and TLS libraries.

#include "CrashReportDatabase.h"
#include "ReportUploader.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    std::string reports, url;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--reports")
            reports = argv[i + 1];
        else if (arg == "--upload-to")
            url = argv[i + 1];
    }
    if (reports.empty() || url.empty() || argc % 2 == 0) {
        std::fprintf(stderr, "usage: larkspan-crash-upload --reports DIR --upload-to URL\n");
        return 2;
    }
    auto database = CrashReportDatabase::initialize(reports);
    if (!database) {
        std::fprintf(stderr, "larkspan-crash-upload: cannot use the report folder %s\n", reports.c_str());
        return 1;
    }
    if (!database->uploadsEnabled())
        return 0;
    ReportUploader uploader(*database, url);
    uploader.uploadPending();
    return database->pending().empty() ? 0 : 1;
}
