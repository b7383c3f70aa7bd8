// Resident memory of the whole Larkspan program as a person runs it: on a private X server
// with openbox and a tray host (trayer), a logged-in user, the reference server as the
// service. Figures 60 s after the start, once with no window ever opened and once after the
// preferences, the diagnostics dialog and a manual time prompt were opened and closed, with
// the largest mappings so that a growth can be traced to a library.
// Usage: bench_program_footprint [--session-bus] [--seconds N] [--top N]
//   --session-bus  runs a private D-Bus session bus with a notification service (dunst), as
//                  a desktop has them; without it balloons are drawn by the program itself
//   --top N        how many of the largest mappings to list (default 12)
//   --quiet-only   only the run in which no window is opened

#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "ProcFields.h"
#include "SessionBus.h"
#include "UserInfo.h"
#include "XvfbSession.h"

#include <QCoreApplication>
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

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A user logged in on the reference server, stored as the program stores it.
bool storeLoggedInUser(const LarkspanHome& home, const DevServerProcess& server, const QString& name)
{
    const UserInfo user = loggedInUser(server, name);
    if (!user.isLoggedIn())
        return false;
    QSettings settings(home.settingsFile(), QSettings::NativeFormat);
    settings.setValue(QStringLiteral("userInfoJson"), user.toJson());
    return true;
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
        if (!storeLoggedInUser(home, server, QString::fromLatin1(user)))
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
        run.waitUntil(seconds);
        report("no window opened", run.pid());
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
