#include "CrashHandler.h"

#include "CrashMessage.h"
#include "CrashReportText.h"
#include "ThreadUnwinder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

extern char** environ;

namespace {

const char* const kUploaderName = "larkspan-crash-upload";

std::string uploaderPath()
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0)
        return kUploaderName;
    std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + kUploaderName;
}

void note(const std::string& text)
{
    std::fprintf(stderr, "crashpad_handler: %s\n", text.c_str());
}

} // namespace

bool CrashHandler::parse(int argc, char** argv, Options* o, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-rate-limit") {
            o->noRateLimit = true;
        } else if (arg == "--reports" && hasValue) {
            o->reports = argv[++i];
        } else if (arg == "--upload-to" && hasValue) {
            o->url = argv[++i];
        } else if (arg == "--socket" && hasValue) {
            char* end = nullptr;
            const long fd = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || fd < 0 || fd > 65535) {
                *error = "--socket expects a descriptor number";
                return false;
            }
            o->socket = static_cast<int>(fd);
        } else if (arg == "--field" && hasValue) {
            const std::string pair = argv[++i];
            const std::size_t equals = pair.find('=');
            if (equals == std::string::npos || equals == 0) {
                *error = "--field expects key=value, got \"" + pair + "\"";
                return false;
            }
            o->fields.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
        } else {
            *error = "unexpected argument \"" + arg + "\"";
            return false;
        }
    }
    if (o->reports.empty() || o->socket < 0) {
        *error = "--reports and --socket are required";
        return false;
    }
    return true;
}

CrashHandler::CrashHandler(Options options) : _options(std::move(options)) {}

int CrashHandler::run()
{
    const int socket = _options.socket;
    _database = CrashReportDatabase::initialize(_options.reports);
    if (!_database) {
        note("cannot use the report folder " + _options.reports);
        return 1;
    }
    _database->prune();
    const char ready = CrashWire::kReady;
    if (::send(socket, &ready, 1, MSG_NOSIGNAL) != 1)
        return 1;
    if (_database->uploadsEnabled() && !_database->pending().empty())
        upload(false);

    // Reserved, not touched: the pages cost nothing until a crash fills them.
    const std::size_t capacity = sizeof(CrashWire::CrashMessage) + CrashWire::kMaxStackBytes;
    std::unique_ptr<char[]> buffer(new char[capacity]);
    for (;;) {
        const ssize_t got = ::recv(socket, buffer.get(), capacity, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0; // the program has ended
        handleCrash(buffer.get(), static_cast<std::size_t>(got));
        const char done = CrashWire::kDone;
        ::send(socket, &done, 1, MSG_NOSIGNAL);
        ::close(socket);
        if (_database->uploadsEnabled())
            upload(true);
        return 0;
    }
}

void CrashHandler::handleCrash(const char* data, std::size_t size)
{
    CrashWire::CrashMessage message;
    if (size < sizeof(message)) {
        note("ignoring a short crash message");
        return;
    }
    std::memcpy(&message, data, sizeof(message));
    if (message.magic != CrashWire::kMagic || message.version != CrashWire::kVersion) {
        note("ignoring a crash message of another version");
        return;
    }
    if (message.stackSize > size - sizeof(message))
        message.stackSize = static_cast<std::uint32_t>(size - sizeof(message));

    ThreadUnwinder unwinder(message, data + sizeof(message));
    unwinder.unwind();
    const std::string text = CrashReportText::format(message, unwinder, _options.fields);
    const std::string id = _database->store(_options.fields, text);
    if (id.empty())
        note("cannot write the crash report into " + _options.reports);
    else
        note("crash report " + id + " written");
}

void CrashHandler::upload(bool replaceThisProcess)
{
    if (_options.url.empty())
        return;
    const std::string program = uploaderPath();
    std::vector<std::string> args {program, "--reports", _options.reports, "--upload-to", _options.url};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (replaceThisProcess) {
        ::execv(program.c_str(), argv.data());
        note("cannot start " + program + ": " + std::strerror(errno));
        return;
    }
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        note("cannot start " + program);
}
