#include "ReportUploader.h"

#include <httplib.h>

#include <cstdio>

namespace {

void note(const std::string& text)
{
    std::fprintf(stderr, "larkspan-crash-upload: %s\n", text.c_str());
}

} // namespace

ReportUploader::ReportUploader(CrashReportDatabase& database, std::string url)
    : _database(database), _url(std::move(url))
{
}

bool ReportUploader::splitUrl(const std::string& url, std::string* origin, std::string* path)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos || scheme == 0)
        return false;
    const std::size_t slash = url.find('/', scheme + 3);
    *origin = url.substr(0, slash);
    *path = slash == std::string::npos ? "/" : url.substr(slash);
    return origin->size() > scheme + 3;
}

int ReportUploader::uploadPending()
{
    int sent = 0;
    for (const std::string& id : _database.pending()) {
        CrashReportDatabase::UploadLock lock(_database, id);
        if (!lock.isLocked())
            continue; // another uploader has it
        if (!upload(id))
            break;
        ++sent;
    }
    return sent;
}

bool ReportUploader::upload(const std::string& id)
{
    CrashReportDatabase::Fields fields;
    std::string text;
    if (!_database.load(id, &fields, &text))
        return true; // gone meanwhile; not a reason to stop
    std::string origin, path;
    if (!splitUrl(_url, &origin, &path)) {
        note("not an http(s) address: " + _url);
        return false;
    }
    httplib::MultipartFormDataItems items;
    for (const auto& [key, value] : fields)
        items.push_back({key, value, std::string(), std::string()});
    items.push_back({"report", text, id + ".txt", "text/plain; charset=utf-8"});

    httplib::Client client(origin);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(30, 0);
    client.set_write_timeout(30, 0);
    const httplib::Result result = client.Post(path.c_str(), items);
    if (!result) {
        note("collector at " + _url + " not reachable (" + httplib::to_string(result.error()) + "); "
             + id + " stays pending");
        return false;
    }
    if (result->status < 200 || result->status > 299) {
        note("collector answered " + std::to_string(result->status) + " for " + id + "; it stays pending");
        return false;
    }
    _database.markUploaded(id);
    note("sent crash report " + id);
    return true;
}
