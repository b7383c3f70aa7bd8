#include "CrashSignals.h"

#include "CrashMessage.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};

std::atomic<int> handlerSocket {-1};
// The thread that is reporting; a second crashing thread waits for the first to finish.
std::atomic<pid_t> reportingThread {0};
// Static storage: nothing may be allocated in the handler, and the alternate stack is small.
CrashWire::CrashMessage message;

pid_t currentTid()
{
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

// Restores the default action and sends the signal to this thread again. It is blocked
// while the handler runs, so it ends the process as soon as the handler returns; a fault
// that is re-executed on return does the same.
void endBySignal(int signalNumber)
{
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(signalNumber, &dfl, nullptr);
    ::syscall(SYS_tgkill, ::getpid(), currentTid(), signalNumber);
}

void copyRegisters(const ucontext_t* context)
{
#if defined(__x86_64__)
    const greg_t* g = context->uc_mcontext.gregs;
    // DWARF order of the x86-64 psABI.
    const int order[] = {REG_RAX, REG_RDX, REG_RCX, REG_RBX, REG_RSI, REG_RDI, REG_RBP, REG_RSP, REG_R8,
                         REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15, REG_RIP};
    message.registerCount = sizeof(order) / sizeof(order[0]);
    for (unsigned i = 0; i < message.registerCount; ++i)
        message.registers[i] = static_cast<std::uint64_t>(g[order[i]]);
    message.pc = static_cast<std::uint64_t>(g[REG_RIP]);
    message.sp = static_cast<std::uint64_t>(g[REG_RSP]);
#elif defined(__aarch64__)
    const auto& m = context->uc_mcontext;
    message.registerCount = 32;
    for (int i = 0; i < 31; ++i)
        message.registers[i] = m.regs[i];
    message.registers[31] = m.sp;
    message.pc = m.pc;
    message.sp = m.sp;
#else
    (void)context;
    message.registerCount = 0;
#endif
}

// Sends the message with as much of the stack as can be read. sendmsg() reports EFAULT
// instead of faulting when the range runs past the end of the stack mapping, so the copy
// is retried with half the length until it fits.
bool sendCrash(int socket)
{
#if defined(__x86_64__)
    // Leaf functions keep live data in the 128-byte red zone below the stack pointer.
    const std::uint64_t below = 128;
#else
    const std::uint64_t below = 0;
#endif
    message.stackStart = message.sp > below ? message.sp - below : message.sp;
    std::size_t length = message.registerCount ? CrashWire::kMaxStackBytes : 0;
    for (;;) {
        message.stackSize = static_cast<std::uint32_t>(length);
        iovec parts[2] = {{&message, sizeof(message)}, {reinterpret_cast<void*>(message.stackStart), length}};
        msghdr header = {};
        header.msg_iov = parts;
        header.msg_iovlen = length ? 2 : 1;
        if (::sendmsg(socket, &header, MSG_NOSIGNAL) >= 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EFAULT || length == 0)
            return false;
        length = length > 512 ? length / 2 : 0;
    }
}

void waitForReport(int socket)
{
    timespec start = {};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        timespec now = {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsedMs = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsedMs >= CrashSignals::replyTimeoutMs)
            return;
        pollfd pfd = {socket, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(CrashSignals::replyTimeoutMs - elapsedMs));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return;
        char reply = 0;
        const ssize_t got = ::recv(socket, &reply, 1, 0);
        if (got < 0 && errno == EINTR)
            continue;
        // The report is written, or the handler is gone: either way, nothing more to wait for.
        return;
    }
}

extern "C" void onCrashSignal(int signalNumber, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    const pid_t tid = currentTid();
    pid_t expected = 0;
    if (!reportingThread.compare_exchange_strong(expected, tid)) {
        // A crash inside this handler, or a second thread crashing while the first reports:
        // the first report is the one that counts. A second thread gives the first time to
        // finish before it ends the process itself.
        if (expected != tid) {
            timespec pause = {1, 0};
            for (int i = 0; i < CrashSignals::replyTimeoutMs / 1000 + 5; ++i)
                ::nanosleep(&pause, nullptr);
        }
        endBySignal(signalNumber);
        errno = savedErrno;
        return;
    }

    const int socket = handlerSocket.load();
    if (socket >= 0) {
        std::memset(&message, 0, sizeof(message));
        message.magic = CrashWire::kMagic;
        message.version = CrashWire::kVersion;
        message.signalNumber = signalNumber;
        message.signalCode = info ? info->si_code : 0;
        message.pid = ::getpid();
        message.tid = tid;
        if (info && info->si_code <= 0) {
            message.senderPid = info->si_pid;
            message.senderUid = static_cast<std::int32_t>(info->si_uid);
        } else if (info) {
            message.faultAddress = reinterpret_cast<std::uint64_t>(info->si_addr);
        }
        timespec now = {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        message.timeSecs = now.tv_sec;
        ::prctl(PR_GET_NAME, message.threadName, 0, 0, 0);
        if (context)
            copyRegisters(static_cast<const ucontext_t*>(context));
        if (sendCrash(socket))
            waitForReport(socket);
    }
    endBySignal(signalNumber);
    errno = savedErrno;
}

void protectCurrentThread()
{
    // One stack per thread for the life of the process; a thread that asks twice keeps
    // its first one.
    stack_t current = {};
    if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
        return;
    const long minimum = ::sysconf(_SC_SIGSTKSZ);
    const std::size_t size = static_cast<std::size_t>(minimum > 65536 ? minimum : 65536);
    stack_t stack = {};
    stack.ss_sp = new char[size];
    stack.ss_size = size;
    ::sigaltstack(&stack, nullptr);
}

} // namespace

void CrashSignals::install(int socket)
{
    const int previous = handlerSocket.exchange(socket);
    if (previous >= 0 && previous != socket)
        ::close(previous);
    protectCurrentThread();

    struct sigaction action = {};
    action.sa_sigaction = onCrashSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    // One report at a time per thread: a different crash signal while reporting is held.
    for (int signalNumber : kCrashSignals)
        sigaddset(&action.sa_mask, signalNumber);
    for (int signalNumber : kCrashSignals)
        ::sigaction(signalNumber, &action, nullptr);
}
