#include "CrashTestTrigger.h"

#include "QtLog.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<int> pendingKind {0};

int triggerSignal()
{
    return SIGRTMIN + 3;
}

extern "C" void onTriggerSignal(int)
{
    CrashTestTrigger::crashNow(static_cast<CrashTestTrigger::Kind>(pendingKind.load()));
}

// The kernel keeps 15 characters of a thread's name.
pid_t findThread(const QString& name)
{
    const QString wanted = name.left(15);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && QString::fromUtf8(comm.readAll()).trimmed() == wanted)
            return static_cast<pid_t>(tid.toInt());
    }
    return 0;
}

void fire(QObject* context, const QString& thread, CrashTestTrigger::Kind kind, int attemptsLeft)
{
    const pid_t tid = findThread(thread);
    if (tid == 0) {
        if (attemptsLeft > 0)
            QTimer::singleShot(200, context, [=] { fire(context, thread, kind, attemptsLeft - 1); });
        else
            LK_WARNING() << "CrashTestTrigger - no thread named" << thread;
        return;
    }
    LK_WARNING() << "CrashTestTrigger - crashing thread" << thread << tid << "on purpose";
    QtLog::getConf().flush();
    pendingKind = static_cast<int>(kind);
    struct sigaction action = {};
    action.sa_handler = onTriggerSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(triggerSignal(), &action, nullptr);
    ::syscall(SYS_tgkill, ::getpid(), tid, triggerSignal());
}

} // namespace

bool CrashTestTrigger::parse(const QString& text, QString* thread, Kind* kind, int* delayMs)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3 || parts.at(0).isEmpty())
        return false;
    static const QMap<QString, Kind> kinds {
        {QStringLiteral("segv"), Kind::BadPointer},        {QStringLiteral("abort"), Kind::Abort},
        {QStringLiteral("assert"), Kind::FailedAssertion}, {QStringLiteral("fpe"), Kind::DivideByZero},
        {QStringLiteral("bus"), Kind::BusError},           {QStringLiteral("ill"), Kind::IllegalInstruction}};
    if (!kinds.contains(parts.at(1)))
        return false;
    bool ok = true;
    const int delay = parts.size() == 3 ? parts.at(2).toInt(&ok) : 1000;
    if (!ok || delay < 0)
        return false;
    *thread = parts.at(0);
    *kind = kinds.value(parts.at(1));
    *delayMs = delay;
    return true;
}

void CrashTestTrigger::armFromEnvironment(QObject* context)
{
    const QString text = qEnvironmentVariable("LARKSPAN_TEST_CRASH");
    if (text.isEmpty())
        return;
    QString thread;
    Kind kind = Kind::BadPointer;
    int delayMs = 0;
    if (!parse(text, &thread, &kind, &delayMs)) {
        LK_WARNING() << "CrashTestTrigger - cannot read LARKSPAN_TEST_CRASH" << text;
        return;
    }
    // Counted from the start of the event loop; the thread may start a little later.
    QTimer::singleShot(delayMs, context, [=] { fire(context, thread, kind, 25); });
}

__attribute__((noinline)) void CrashTestTrigger::crashNow(Kind kind)
{
    switch (kind) {
    case Kind::BadPointer: {
        // Both volatile: the compiler may neither know the address nor drop the store.
        volatile int* volatile pointer = nullptr;
        *pointer = 42;
        break;
    }
    case Kind::Abort:
        std::abort();
    case Kind::FailedAssertion:
        qt_assert("crash test", __FILE__, __LINE__);
    case Kind::DivideByZero: {
        volatile int one = 1;
        volatile int zero = 0;
        volatile int result = one / zero;
        (void)result;
        break;
    }
    case Kind::BusError: {
        // Touching a shared mapping past the end of its (empty) file.
        const int fd = static_cast<int>(::syscall(SYS_memfd_create, "larkspan-crash-test", 0));
        auto* page = static_cast<volatile char*>(::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
        if (page != MAP_FAILED)
            page[0] = 1;
        break;
    }
    case Kind::IllegalInstruction:
        __builtin_trap();
    }
    // Reached only where the kind does not trap on this machine.
    std::abort();
}
