// Resident memory of the whole Larkspan program as a person runs it: on a private X server
// with openbox and a tray host (trayer), a logged-in user, the reference server as the
// service. Figures 60 s after the start, once with no window ever opened and once after the
// preferences, the diagnostics dialog and a manual time prompt were opened and closed, with
// the largest mappings so that a growth can be traced to a library. In the quiet run a bare
// tray program (an icon and a menu, nothing else) runs beside it as the yardstick, and the
// idle cost follows: CPU, wake-ups and threads over the next --idle-seconds.
// Usage: bench_program_footprint [--session-bus] [--seconds N] [--top N] [--idle-seconds N]
//   --session-bus  runs a private D-Bus session bus with a notification service (dunst), as
//                  a desktop has them; without it balloons are drawn by the program itself
//   --top N        how many of the largest mappings to list (default 12)
//   --quiet-only   only the run in which no window is opened
//   --idle-seconds N  after the quiet run's figures, how long to measure its idle CPU (0: not)
//   --keep-smaps DIR  copies both programs' smaps there at the quiet run's figures, for a
//                  closer look at a growth

#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "ProcFields.h"
#include "SessionBus.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRect>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Resident KiB per mapped file (anonymous memory and the heap under their own names).
QVector<QPair<qint64, QString>> residentByMapping(qint64 pid)
{
    QFile smaps(QStringLiteral("/proc/%1/smaps").arg(pid));
    QMap<QString, qint64> byName;
    if (!smaps.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression header(QStringLiteral("^[0-9a-f]+-[0-9a-f]+ \\S+ \\S+ \\S+ \\S+\\s*(.*)$"));
    QString current;
    for (const QByteArray& raw : smaps.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const auto m = header.match(line);
        if (m.hasMatch()) {
            current =
                m.captured(1).isEmpty() ? QStringLiteral("[anonymous]") : m.captured(1).section(QLatin1Char('/'), -1);
            continue;
        }
        if (line.startsWith(QLatin1String("Rss:")))
            byName[current] += line.mid(4).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong();
    }
    QVector<QPair<qint64, QString>> list;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it)
        list.append({it.value(), it.key()});
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    return list;
}

// procfs files have no size, which a plain file copy would trust.
void keepSmaps(qint64 pid, const QString& path)
{
    QFile in(QStringLiteral("/proc/%1/smaps").arg(pid));
    QFile out(path);
    if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
        out.write(in.readAll());
}

int topMappings = 12;

void report(const char* stage, qint64 pid)
{
    std::printf("%-52s RSS %6.1f MiB   PSS %6.1f MiB   private %6.1f MiB\n", stage,
                procKiB(pid, "status", "VmRSS:") / 1024.0, procKiB(pid, "smaps_rollup", "Pss:") / 1024.0,
                (procKiB(pid, "smaps_rollup", "Private_Clean:") + procKiB(pid, "smaps_rollup", "Private_Dirty:"))
                    / 1024.0);
    const auto mappings = residentByMapping(pid);
    QStringList top;
    for (int i = 0; i < qMin(topMappings, mappings.size()); ++i)
        top << QStringLiteral("%1 %2").arg(mappings[i].second).arg(mappings[i].first / 1024.0, 0, 'f', 1);
    std::printf("    largest (MiB): %s\n", qPrintable(top.join(QStringLiteral(", "))));
    std::fflush(stdout);
}

bool waitForWindow(const XvfbSession& x, const QString& title, bool shown, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (x.windowId(title).isEmpty() != shown)
            return true;
        wait(250);
    }
    return false;
}

// Closes a window as its title-bar button does, and waits until it is gone.
bool closeWindow(const XvfbSession& x, const QString& title)
{
    return x.closeWindow(title) && waitForWindow(x, title, false, 5000);
}

QPoint trayIconCentre(const XvfbSession& x)
{
    const QRect panel = x.trayPanel();
    return panel.isNull() ? QPoint() : panel.center();
}

// Picks an entry of the tray menu with the keyboard: a click on the icon, then Down as
// often as there are enabled entries up to it.
bool openFromTrayMenu(const XvfbSession& x, int downs, const QString& title)
{
    const QPoint icon = trayIconCentre(x);
    if (icon.isNull())
        return false;
    x.xdotool({QStringLiteral("mousemove"), QString::number(icon.x()), QString::number(icon.y()),
               QStringLiteral("click"), QStringLiteral("1")});
    wait(500);
    for (int i = 0; i < downs; ++i)
        x.xdotool({QStringLiteral("key"), QStringLiteral("Down")});
    x.xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    return waitForWindow(x, title, true, 5000);
}

// What a person does at the desk: the pointer moves a little, now and then.
void moveThePointer(const XvfbSession& x, int seconds)
{
    for (int i = 0; i < seconds * 2; ++i) {
        x.xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QString::number(i % 2 ? 7 : -7),
                   QStringLiteral("3")});
        wait(500);
    }
}

// utime + stime of the whole process, in clock ticks.
qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // The command name may hold spaces; the fields after it are counted from its ')'.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

// Context switches of all threads: every time one of them went to sleep or was put aside.
qint64 contextSwitches(qint64 pid)
{
    qint64 sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray status = QStringLiteral("task/%1/status").arg(task).toLatin1();
        sum += procKiB(pid, status.constData(), "voluntary_ctxt_switches:")
            + procKiB(pid, status.constData(), "nonvoluntary_ctxt_switches:");
    }
    return sum;
}

// Time on a CPU of all threads, in nanoseconds: finer than the clock ticks of stat, which
// count an idle minute in a handful of 10-ms steps.
qint64 runNanoseconds(qint64 pid)
{
    qint64 sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            sum += schedstat.readAll().split(' ').value(0).toLongLong();
    }
    return sum;
}

int threadCount(qint64 pid)
{
    return int(procKiB(pid, "status", "Threads:"));
}

void reportIdle(const QVector<QPair<const char*, qint64>>& processes, int seconds)
{
    QVector<qint64> ticks;
    QVector<qint64> switches;
    QVector<qint64> nanoseconds;
    for (const auto& process : processes) {
        ticks << cpuTicks(process.second);
        switches << contextSwitches(process.second);
        nanoseconds << runNanoseconds(process.second);
    }
    wait(seconds * 1000);
    const double hz = double(::sysconf(_SC_CLK_TCK));
    for (int i = 0; i < processes.size(); ++i) {
        const qint64 pid = processes[i].second;
        std::printf("%-20s idle %d s: CPU %.3f %% of one core (run time %.3f %%), wake-ups %.2f/s, threads %d\n",
                    processes[i].first, seconds, 100.0 * double(cpuTicks(pid) - ticks[i]) / hz / seconds,
                    100.0 * double(runNanoseconds(pid) - nanoseconds[i]) / 1e9 / seconds,
                    double(contextSwitches(pid) - switches[i]) / seconds, threadCount(pid));
    }
    std::fflush(stdout);
}

struct Run {
    std::unique_ptr<QProcess> process;
    QElapsedTimer sinceStart;
    qint64 pid() const { return process->processId(); }
    void waitUntil(int seconds) { wait(int(qMax<qint64>(0, seconds * 1000 - sinceStart.elapsed()))); }
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool sessionBus = args.contains(QStringLiteral("--session-bus"));
    const bool quietOnly = args.contains(QStringLiteral("--quiet-only"));
    const int idleSeconds = args.indexOf(QStringLiteral("--idle-seconds")) > 0
        ? args.value(args.indexOf(QStringLiteral("--idle-seconds")) + 1).toInt()
        : 0;
    const QString smapsDir = args.indexOf(QStringLiteral("--keep-smaps")) > 0
        ? args.value(args.indexOf(QStringLiteral("--keep-smaps")) + 1)
        : QString();
    const int seconds = args.indexOf(QStringLiteral("--seconds")) > 0
        ? args.value(args.indexOf(QStringLiteral("--seconds")) + 1).toInt()
        : 60;
    if (args.indexOf(QStringLiteral("--top")) > 0)
        topMappings = args.value(args.indexOf(QStringLiteral("--top")) + 1).toInt();

    XvfbSession x(XvfbSession::WindowManager::Openbox);
    if (!x.isRunning()) {
        std::fprintf(stderr, "Xvfb: %s\n", qPrintable(x.errorString()));
        return 1;
    }
    if (!x.startTray()) {
        std::fprintf(stderr, "trayer did not start\n");
        return 1;
    }
    DevServerProcess server;
    if (!server.start({QStringLiteral("--quiet")})) {
        std::fprintf(stderr, "reference server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QString base = server.baseUrl().toString(QUrl::StripTrailingSlash);
    QStringList env {QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("LARKSPAN_SERVER_URL=") + base,
                     QStringLiteral("LARKSPAN_INGRESS_URL=") + base,
                     QStringLiteral("LARKSPAN_UPDATE_URL=") + base + QStringLiteral("/updates/")};
    // The display comes with a private session bus; without --session-bus the program is
    // kept off it, as on a desktop without any.
    QProcess notifications;
    if (!sessionBus)
        env << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + SessionBus::noBusAddress();
    if (sessionBus) {
        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        env << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + address;
        QProcessEnvironment busEnv = QProcessEnvironment::systemEnvironment();
        busEnv.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        notifications.setProcessEnvironment(busEnv);
        notifications.start(QStringLiteral("dunst"), QStringList());
        if (!notifications.waitForStarted(5000)) {
            std::fprintf(stderr, "dunst did not start\n");
            return 1;
        }
        wait(1000);
    }

    const auto start = [&](LarkspanHome& home, const char* user) {
        Run run;
        const UserInfo loggedIn = loggedInUser(server, QString::fromLatin1(user));
        if (loggedIn.isLoggedIn())
            home.storeUserInfo(loggedIn.toJson());
        else
            std::fprintf(stderr, "could not log in %s on the reference server\n", user);
        run.process = home.start(env);
        run.sinceStart.start();
        return run;
    };
    const auto stop = [](Run& run) {
        ::kill(static_cast<pid_t>(run.pid()), SIGTERM);
        run.process->waitForFinished(10000);
    };

    std::printf("Larkspan under Xvfb + openbox + trayer, logged in%s; figures %d s after the start\n",
                sessionBus ? ", with a session bus" : "", seconds);
    {
        LarkspanHome home;
        Run run = start(home, "footprint-quiet");
        QProcess bare;
        QProcessEnvironment bareEnv = QProcessEnvironment::systemEnvironment();
        for (const QString& assignment : env)
            bareEnv.insert(assignment.section(QLatin1Char('='), 0, 0), assignment.section(QLatin1Char('='), 1));
        bare.setProcessEnvironment(bareEnv);
        bare.start(buildBin(QStringLiteral("bench_bare_tray")), QStringList());
        if (!bare.waitForStarted(5000))
            std::fprintf(stderr, "bench_bare_tray did not start\n");
        run.waitUntil(seconds);
        report("no window opened", run.pid());
        report("bare tray program (icon and menu only)", bare.processId());
        if (!smapsDir.isEmpty()) {
            keepSmaps(run.pid(), smapsDir + QStringLiteral("/larkspan.smaps"));
            keepSmaps(bare.processId(), smapsDir + QStringLiteral("/bare.smaps"));
        }
        const qint64 larkspanKiB = procKiB(run.pid(), "status", "VmRSS:");
        const qint64 bareKiB = procKiB(bare.processId(), "status", "VmRSS:");
        if (bareKiB > 0)
            std::printf("RSS ratio Larkspan / bare tray: %.1f / %.1f MiB = %.2fx\n", larkspanKiB / 1024.0,
                        bareKiB / 1024.0, double(larkspanKiB) / double(bareKiB));
        if (idleSeconds > 0)
            reportIdle({{"Larkspan", run.pid()}, {"bare tray", bare.processId()}}, idleSeconds);
        bare.terminate();
        bare.waitForFinished(5000);
        stop(run);
    }
    if (!quietOnly) {
        LarkspanHome home;
        // A short idle limit lets the manual time prompt come within the minute.
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("maxInactiveSecs"), 8);
        }
        Run run = start(home, "footprint-windows");
        const QString promptTitle = QStringLiteral("Larkspan Manual Time Prompt");
        bool prompted = false;
        wait(15000); // idle
        for (int attempt = 0; attempt < 3 && !prompted; ++attempt) {
            moveThePointer(x, 4);
            prompted = waitForWindow(x, promptTitle, true, 6000);
        }
        const bool promptClosed = prompted && closeWindow(x, promptTitle);
        // Back to the usual limit, so no second prompt comes while the dialogs are open.
        {
            QSettings settings(home.settingsFile(), QSettings::NativeFormat);
            settings.setValue(QStringLiteral("maxInactiveSecs"), 600);
        }
        const bool preferences = openFromTrayMenu(x, 7, QStringLiteral("Larkspan Preferences"))
            && closeWindow(x, QStringLiteral("Larkspan Preferences"));
        const bool diagnostics = openFromTrayMenu(x, 9, QStringLiteral("Send Diagnostics"))
            && closeWindow(x, QStringLiteral("Send Diagnostics"));
        std::printf("opened and closed: manual time prompt %s, preferences %s, diagnostics %s (at %.0f s)\n",
                    promptClosed ? "yes" : "NO", preferences ? "yes" : "NO", diagnostics ? "yes" : "NO",
                    run.sinceStart.elapsed() / 1000.0);
        run.waitUntil(seconds);
        report("after the prompt, preferences and diagnostics", run.pid());
        stop(run);
        if (!promptClosed || !preferences || !diagnostics)
            return 1;
    }
    if (sessionBus) {
        notifications.terminate();
        notifications.waitForFinished(3000);
    }
    return 0;
}
