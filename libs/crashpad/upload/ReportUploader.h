#pragma once

#include "CrashReportDatabase.h"

#include <string>

// Sends pending crash reports to the collector as multipart/form-data: every field of the
// report as a form field and the report text as the file "report". A report the collector
// accepts (any 2xx answer) moves to completed/; any other outcome leaves it pending for the
// next try, at the latest at the program's next start.
class ReportUploader
{
public:
    ReportUploader(CrashReportDatabase& database, std::string url);

    // Oldest first; stops at the first report that does not go through, since the next
    // ones would most likely fail the same way. Returns how many were accepted.
    int uploadPending();

    // "http://host:port/path" split into "http://host:port" and "/path" ("/" when absent).
    static bool splitUrl(const std::string& url, std::string* origin, std::string* path);

private:
    bool upload(const std::string& id);

    CrashReportDatabase& _database;
    std::string _url;
};
