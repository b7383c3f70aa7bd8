#include "CrashReportDatabase.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const kPending = "pending";
const char* const kCompleted = "completed";
const char* const kReportSuffix = ".report";
const char* const kFieldsSuffix = ".fields";
const char* const kTempSuffix = ".tmp";

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Values are one line each; backslashes and line breaks are escaped.
std::string escape(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            out += value[i];
        }
    }
    return out;
}

// Written under a temporary name, flushed to disk and renamed, so a reader never sees
// half a file, even after a power cut.
bool writeFileDurably(const std::string& path, const std::string& content)
{
    const std::string temp = path + kTempSuffix;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// Plain reads rather than a stream: a stream sets up the C++ locales, some hundreds of KiB
// the program would keep resident all day for the one settings file it reads at start.
bool readFile(const std::string& path, std::string* content)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    content->clear();
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return false;
        }
        content->append(buffer, std::size_t(got));
    }
    ::close(fd);
    return true;
}

std::vector<std::string> sortedNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

std::unique_ptr<CrashReportDatabase> CrashReportDatabase::initialize(const std::string& folder)
{
    std::error_code error;
    for (const char* sub : {kPending, kCompleted}) {
        fs::create_directories(fs::path(folder) / sub, error);
        if (error || !fs::is_directory(fs::path(folder) / sub))
            return nullptr;
    }
    return std::unique_ptr<CrashReportDatabase>(new CrashReportDatabase(folder));
}

bool CrashReportDatabase::uploadsEnabled() const
{
    std::string text;
    if (!readFile((fs::path(_folder) / "settings").string(), &text))
        return false;
    return text.find("uploads_enabled=1") != std::string::npos;
}

bool CrashReportDatabase::setUploadsEnabled(bool enabled)
{
    if (uploadsEnabled() == enabled)
        return true;
    return writeFileDurably((fs::path(_folder) / "settings").string(),
                            enabled ? "uploads_enabled=1\n" : "uploads_enabled=0\n");
}

std::string CrashReportDatabase::newId()
{
    timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm utc = {};
    ::gmtime_r(&now.tv_sec, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &utc);
    unsigned int random = 0;
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (::read(fd, &random, sizeof(random)) != static_cast<ssize_t>(sizeof(random)))
            random = 0;
        ::close(fd);
    }
    char id[80];
    std::snprintf(id, sizeof(id), "%s-%06ld-%d-%08x", stamp, now.tv_nsec / 1000, static_cast<int>(::getpid()), random);
    return id;
}

std::string CrashReportDatabase::reportPath(const std::string& id) const
{
    return (fs::path(_folder) / kPending / (id + kReportSuffix)).string();
}

std::string CrashReportDatabase::fieldsPath(const std::string& id) const
{
    return (fs::path(_folder) / kPending / (id + kFieldsSuffix)).string();
}

std::string CrashReportDatabase::store(const Fields& fields, const std::string& text)
{
    const std::string id = newId();
    std::string lines;
    for (const auto& [key, value] : fields)
        lines += key + '=' + escape(value) + '\n';
    if (!writeFileDurably(reportPath(id), text))
        return std::string();
    if (!writeFileDurably(fieldsPath(id), lines)) {
        ::unlink(reportPath(id).c_str());
        return std::string();
    }
    prune();
    return id;
}

std::vector<std::string> CrashReportDatabase::pending() const
{
    std::vector<std::string> ids;
    const std::string folder = (fs::path(_folder) / kPending).string();
    for (const std::string& name : sortedNames(folder)) {
        if (!endsWith(name, kFieldsSuffix))
            continue;
        const std::string id = name.substr(0, name.size() - std::string(kFieldsSuffix).size());
        std::error_code error;
        if (fs::exists(reportPath(id), error))
            ids.push_back(id);
    }
    return ids;
}

bool CrashReportDatabase::load(const std::string& id, Fields* fields, std::string* text) const
{
    std::string lines;
    if (!readFile(fieldsPath(id), &lines) || !readFile(reportPath(id), text))
        return false;
    fields->clear();
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = std::min(lines.find('\n', start), lines.size());
        const std::string line = lines.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            fields->emplace_back(line.substr(0, equals), unescape(line.substr(equals + 1)));
    }
    return true;
}

bool CrashReportDatabase::markUploaded(const std::string& id)
{
    const fs::path target = fs::path(_folder) / kCompleted / (id + kReportSuffix);
    std::error_code error;
    fs::rename(reportPath(id), target, error);
    // The fields go whether or not the report could be kept: sent is sent.
    fs::remove(fieldsPath(id), error);
    pruneFolder((fs::path(_folder) / kCompleted).string(), kReportSuffix, maxCompleted);
    return fs::exists(target, error);
}

void CrashReportDatabase::prune()
{
    pruneFolder((fs::path(_folder) / kPending).string(), kFieldsSuffix, maxPending);
    pruneFolder((fs::path(_folder) / kCompleted).string(), kReportSuffix, maxCompleted);
}

void CrashReportDatabase::pruneFolder(const std::string& folder, const std::string& completeSuffix, std::size_t keep)
{
    // Group the files by id; an id is complete once its completeSuffix file exists.
    std::map<std::string, std::vector<std::string>> byId;
    std::vector<std::string> complete;
    for (const std::string& name : sortedNames(folder)) {
        const std::size_t dot = name.find('.');
        const std::string id = name.substr(0, dot);
        byId[id].push_back(name);
        if (endsWith(name, completeSuffix))
            complete.push_back(id);
    }
    std::error_code error;
    for (const auto& [id, names] : byId) {
        const bool isComplete = std::find(complete.begin(), complete.end(), id) != complete.end();
        if (isComplete)
            continue;
        // A half-written report: the writer died, or is writing right now. Give it a minute.
        for (const std::string& name : names) {
            const fs::path path = fs::path(folder) / name;
            const auto written = fs::last_write_time(path, error);
            const auto age = fs::file_time_type::clock::now() - written;
            if (!error && age > std::chrono::minutes(1))
                fs::remove(path, error);
        }
    }
    if (complete.size() <= keep)
        return;
    for (std::size_t i = 0; i + keep < complete.size(); ++i)
        for (const std::string& name : byId[complete[i]])
            fs::remove(fs::path(folder) / name, error);
}

CrashReportDatabase::UploadLock::UploadLock(const CrashReportDatabase& db, const std::string& id)
{
    const std::string path = db.fieldsPath(id);
    _fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (_fd < 0)
        return;
    // Locked, and still the pending file: another uploader may have sent the report and
    // removed the file between our open() and flock().
    struct stat locked = {}, current = {};
    if (::flock(_fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(_fd, &locked) != 0 || ::stat(path.c_str(), &current) != 0
        || locked.st_ino != current.st_ino) {
        ::close(_fd);
        _fd = -1;
    }
}

CrashReportDatabase::UploadLock::~UploadLock()
{
    if (_fd >= 0)
        ::close(_fd);
}
