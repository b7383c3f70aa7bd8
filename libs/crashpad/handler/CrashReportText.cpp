#include "CrashReportText.h"

#include <csignal>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

std::string hex(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof(text), "0x%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string procPath(int pid, const std::string& rest)
{
    return "/proc/" + std::to_string(pid) + "/" + rest;
}

std::string executable(int pid)
{
    char path[4096];
    const ssize_t n = ::readlink(procPath(pid, "exe").c_str(), path, sizeof(path) - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string("(unknown)");
}

std::string commandLine(int pid)
{
    std::string text = readText(procPath(pid, "cmdline"));
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    return trimmed(text);
}

std::string threadList(int pid, int crashedTid)
{
    std::ostringstream out;
    DIR* dir = ::opendir(procPath(pid, "task").c_str());
    if (!dir)
        return "  (not readable)\n";
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string tid = entry->d_name;
        out << "  " << tid << " \"" << trimmed(readText(procPath(pid, "task/" + tid + "/comm"))) << '"'
            << (std::to_string(crashedTid) == tid ? "  <- crashed" : "") << '\n';
    }
    ::closedir(dir);
    return out.str();
}

std::string utcTime(std::int64_t secs)
{
    const std::time_t t = static_cast<std::time_t>(secs);
    std::tm utc = {};
    ::gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string field(const CrashReportDatabase::Fields& fields, const std::string& key)
{
    for (const auto& [k, v] : fields)
        if (k == key)
            return v;
    return std::string();
}

} // namespace

std::string CrashReportText::signalName(int signalNumber)
{
    switch (signalNumber) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    case SIGTRAP:
        return "SIGTRAP";
    case SIGSYS:
        return "SIGSYS";
    default:
        return "signal " + std::to_string(signalNumber);
    }
}

std::string CrashReportText::codeName(int signalNumber, int code)
{
    switch (code) {
    case SI_USER:
        return "SI_USER (sent by kill)";
    case SI_TKILL:
        return "SI_TKILL (sent by tgkill/raise)";
    case SI_QUEUE:
        return "SI_QUEUE (sent by sigqueue)";
    default:
        break;
    }
    if (signalNumber == SIGSEGV) {
        if (code == SEGV_MAPERR)
            return "SEGV_MAPERR (address not mapped)";
        if (code == SEGV_ACCERR)
            return "SEGV_ACCERR (no permission for the access)";
    } else if (signalNumber == SIGBUS) {
        if (code == BUS_ADRALN)
            return "BUS_ADRALN (misaligned address)";
        if (code == BUS_ADRERR)
            return "BUS_ADRERR (no such physical address, e.g. past the end of a mapped file)";
        if (code == BUS_OBJERR)
            return "BUS_OBJERR (hardware error)";
    } else if (signalNumber == SIGFPE) {
        if (code == FPE_INTDIV)
            return "FPE_INTDIV (integer divide by zero)";
        if (code == FPE_INTOVF)
            return "FPE_INTOVF (integer overflow)";
        if (code == FPE_FLTDIV)
            return "FPE_FLTDIV (floating-point divide by zero)";
    } else if (signalNumber == SIGILL) {
        if (code == ILL_ILLOPC)
            return "ILL_ILLOPC (illegal opcode)";
        if (code == ILL_ILLOPN)
            return "ILL_ILLOPN (illegal operand)";
        if (code == ILL_PRVOPC)
            return "ILL_PRVOPC (privileged opcode)";
    }
    return std::to_string(code);
}

std::string CrashReportText::format(const CrashWire::CrashMessage& m, const ThreadUnwinder& unwinder,
                                    const CrashReportDatabase::Fields& fields)
{
    std::ostringstream out;
    out << "Larkspan crash report\n\n";
    out << "Time:           " << utcTime(m.timeSecs) << '\n';
    out << "Version:        " << field(fields, "lkVersion") << '\n';
    out << "Executable:     " << executable(m.pid) << '\n';
    out << "Command line:   " << commandLine(m.pid) << '\n';
    out << "Process:        " << m.pid << '\n';
    out << "Signal:         " << signalName(m.signalNumber) << " (" << m.signalNumber << ")\n";
    out << "Signal code:    " << codeName(m.signalNumber, m.signalCode) << '\n';
    if (m.signalCode > 0)
        out << "Fault address:  " << hex(m.faultAddress) << '\n';
    else
        out << "Sent by:        process " << m.senderPid << ", user " << m.senderUid << '\n';
    out << "Crashed thread: " << m.tid << " \""
        << std::string(m.threadName, strnlen(m.threadName, sizeof(m.threadName))) << "\"\n";
    out << "Program counter: " << hex(m.pc) << ", stack pointer: " << hex(m.sp) << '\n';

    out << "\nBacktrace of the crashed thread:\n";
    int index = 0;
    for (const ThreadUnwinder::Frame& f : unwinder.frames()) {
        out << "  #" << index++ << ' ' << hex(f.pc) << " in " << (f.function.empty() ? std::string("??") : f.function);
        if (!f.function.empty())
            out << " +" << f.functionOffset;
        if (!f.module.empty())
            out << " (" << f.module << " +" << hex(f.moduleOffset) << ')';
        if (!f.sourceFile.empty())
            out << " at " << f.sourceFile << ':' << f.sourceLine;
        out << '\n';
    }
    if (!unwinder.error().empty())
        out << "  (" << unwinder.error() << ")\n";

    out << "\nThreads:\n" << threadList(m.pid, m.tid);

    out << "\nRegisters:\n";
#if defined(__x86_64__)
    static const char* const names[] = {"rax", "rdx", "rcx", "rbx", "rsi", "rdi", "rbp", "rsp", "r8",
                                        "r9",  "r10", "r11", "r12", "r13", "r14", "r15", "rip"};
    for (unsigned i = 0; i < m.registerCount && i < sizeof(names) / sizeof(names[0]); ++i)
        out << "  " << names[i] << ' ' << hex(m.registers[i]) << (i % 4 == 3 ? "\n" : "");
#else
    for (unsigned i = 0; i < m.registerCount; ++i)
        out << "  r" << i << ' ' << hex(m.registers[i]) << (i % 4 == 3 ? "\n" : "");
#endif
    out << "\n\nModules:\n";
    for (const ThreadUnwinder::Module& mod : unwinder.modules())
        out << "  " << hex(mod.start) << '-' << hex(mod.end) << ' ' << mod.path
            << (mod.buildId.empty() ? std::string() : " build-id " + mod.buildId) << '\n';

    out << "\nAnnotations:\n";
    for (const auto& [key, value] : fields)
        if (key != "token")
            out << "  " << key << ": " << value << '\n';
    return out.str();
}
