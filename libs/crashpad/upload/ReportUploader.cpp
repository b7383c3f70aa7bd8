#include "ReportUploader.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

namespace {

void note(const std::string& text)
{
    std::fprintf(stderr, "larkspan-crash-upload: %s\n", text.c_str());
}

// Stops the client's request once the deadline has passed, wherever it waits: a
// collector that trickles its answer a byte at a time never lets a read time-out expire.
// The stop is repeated, since one that comes while the connection is still being made
// finds no socket to shut.
class Watchdog
{
public:
    Watchdog(httplib::Client& client, std::chrono::steady_clock::time_point deadline)
        : _thread([this, &client, deadline] {
              std::unique_lock<std::mutex> lock(_mutex);
              if (_cv.wait_until(lock, deadline, [this] { return _done; }))
                  return;
              _fired = true;
              do {
                  client.stop();
              } while (!_cv.wait_for(lock, std::chrono::milliseconds(100), [this] { return _done; }));
          })
    {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _done = true;
        }
        _cv.notify_one();
        _thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    bool fired() const { return _fired; }

private:
    std::mutex _mutex;
    std::condition_variable _cv;
    bool _done = false;
    std::atomic<bool> _fired {false};
    std::thread _thread; // last: starts once the members above exist
};

std::string boundary()
{
    static const char alphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::random_device random;
    std::string text = "larkspan-";
    for (int i = 0; i < 32; ++i)
        text += alphabet[random() % (sizeof(alphabet) - 1)];
    return text;
}

// Field names and file names go into quoted header parameters.
std::string quoted(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\' || c == '\r' || c == '\n')
            out += '_';
        else
            out += c;
    }
    return out;
}

std::string multipartBody(const CrashReportDatabase::Fields& fields, const std::string& id, const std::string& text,
                          const std::string& separator)
{
    std::string body;
    for (const auto& [key, value] : fields) {
        body += "--" + separator + "\r\nContent-Disposition: form-data; name=\"" + quoted(key) + "\"\r\n\r\n";
        body += value + "\r\n";
    }
    body += "--" + separator + "\r\nContent-Disposition: form-data; name=\"report\"; filename=\"" + quoted(id)
        + ".txt\"\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n";
    body += text + "\r\n--" + separator + "--\r\n";
    return body;
}

} // namespace

ReportUploader::ReportUploader(CrashReportDatabase& database, std::string url, std::chrono::seconds timeLimit)
    : _database(database), _url(std::move(url)), _deadline(std::chrono::steady_clock::now() + timeLimit)
{}

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
        if (std::chrono::steady_clock::now() >= _deadline) {
            note("time is up; the remaining reports stay pending");
            break;
        }
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
    const std::string separator = boundary();
    httplib::Request request;
    request.method = "POST";
    request.path = path;
    request.set_header("Content-Type", "multipart/form-data; boundary=" + separator);
    request.body = multipartBody(fields, id, text, separator);
    std::size_t received = 0;
    bool tooLarge = false;
    request.content_receiver = [&](const char*, size_t length, uint64_t, uint64_t) {
        received += length;
        tooLarge = received > maxReplyBytes;
        return !tooLarge;
    };

    httplib::Client client(origin);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(30, 0);
    client.set_write_timeout(30, 0);
    bool timedOut = false;
    httplib::Result result = [&] {
        Watchdog watchdog(client, _deadline);
        httplib::Result sent = client.send(request);
        timedOut = watchdog.fired();
        return sent;
    }();
    // Only an answer read to its end says the collector took the report: one cut off may
    // be a proxy's or a collector's that fell over halfway.
    if (tooLarge) {
        note("collector at " + _url + " answered with more than " + std::to_string(maxReplyBytes) + " bytes; " + id
             + " stays pending");
        return false;
    }
    if (timedOut) {
        note("collector at " + _url + " took too long to answer; " + id + " stays pending");
        return false;
    }
    if (!result) {
        note("collector at " + _url + " not reachable (" + httplib::to_string(result.error()) + "); " + id
             + " stays pending");
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
