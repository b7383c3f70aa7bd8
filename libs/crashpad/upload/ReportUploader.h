#pragma once

#include "CrashReportDatabase.h"

#include <chrono>
#include <string>

// Sends pending crash reports to the collector as multipart/form-data: every field of the
// report as a form field and the report text as the file "report". A report the collector
// accepts (a 2xx answer, read to its end within the size limit) moves to completed/; any
// other outcome leaves it pending for the next try, at the latest at the program's next
// start. A collector that answers without end, or a byte at a time, costs at most
// maxReplyBytes and the time limit.
class ReportUploader
{
public:
    // The collector answers with a few bytes of JSON.
    static constexpr std::size_t maxReplyBytes = std::size_t(64) * 1024;
    static constexpr std::chrono::seconds defaultTimeLimit {120};

    // The time limit counts from construction and covers all reports sent by this object.
    ReportUploader(CrashReportDatabase& database, std::string url, std::chrono::seconds timeLimit = defaultTimeLimit);

    // Oldest first; stops at the first report that does not go through, since the next
    // ones would most likely fail the same way. Returns how many were accepted.
    int uploadPending();

    // "http://host:port/path" split into "http://host:port" and "/path" ("/" when absent).
    static bool splitUrl(const std::string& url, std::string* origin, std::string* path);

private:
    bool upload(const std::string& id);

    CrashReportDatabase& _database;
    std::string _url;
    std::chrono::steady_clock::time_point _deadline;
};
