// Resident memory of a widgets process as the program shows its windows, and after the
// embedded console has been opened. Run by ui_footprint.sh on an X display (Xvfb + openbox).
// Usage: bench_ui_footprint [--default-gl]   (--default-gl skips GraphicsSetup, to compare)

#include "AppSignals.h"
#include "ConsoleWindow.h"
#include "DevServerProcess.h"
#include "FeedbackDialog.h"
#include "GraphicsSetup.h"
#include "OfflineWindow.h"
#include "PrefDialog.h"
#include "SettingsKeys.h"
#include "ProcFields.h"
#include "SyncTestSupport.h"
#include "TestHome.h"
#include "UserInfo.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QTimer>

#include <cstdio>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

qint64 rssKiB(qint64 pid)
{
    return procKiB(pid, "status", "VmRSS:");
}

// The proportional set size of the web engine's helper processes among the descendants of
// pid: they share much of their memory, so their RSS figures would count it several times.
qint64 webEngineHelpersPssKiB(qint64 pid)
{
    QMap<qint64, qint64> parentOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const qint64 child = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        parentOf[child] = fields.value(1).toLongLong();
    }
    qint64 total = 0;
    for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(it.key()));
        if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("QtWebEngine"))
            continue;
        for (qint64 up = it.value(); up > 1; up = parentOf.value(up, 0)) {
            if (up == pid) {
                total += procKiB(it.key(), "smaps_rollup", "Pss:");
                break;
            }
        }
    }
    return total;
}

bool glLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libGLX_mesa");
}

void report(const char* stage)
{
    const qint64 self = QCoreApplication::applicationPid();
    std::printf("%-40s RSS %6.1f MiB   web engine helpers (PSS) %6.1f MiB   Mesa %s\n", stage, rssKiB(self) / 1024.0,
                webEngineHelpersPssKiB(self) / 1024.0, glLoaded() ? "loaded" : "not loaded");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    TestHome home;
    const bool defaultGl = argc > 1 && qstrcmp(argv[1], "--default-gl") == 0;
    if (!defaultGl)
        GraphicsSetup::configureBeforeApplication();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationName(QStringLiteral("Larkspan"));
    AppSignals::init(&app);
    report("application constructed");

    DevServerProcess server;
    if (!server.start({QStringLiteral("--quiet")})) {
        std::fprintf(stderr, "reference server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    SyncTest::useServer(server);

    {
        PrefDialog preferences(nullptr, nullptr);
        FeedbackDialog diagnostics;
        const QDateTime now = QDateTime::currentDateTime();
        OfflineWindow prompt(now.addSecs(-1500), now);
        preferences.show();
        diagnostics.showDialog();
        prompt.askForComment();
        wait(2000);
        report("preferences, diagnostics, prompt shown");
        preferences.close();
        diagnostics.close();
        prompt.close();
        wait(2000);
        report("... and closed");
    }

    const UserInfo user = SyncTest::logInAndStore(server, QStringLiteral("dana"));
    ConsoleWindow console;
    console.openConsole(AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/") + user.refreshToken());
    wait(6000);
    report("embedded console open");
    // The program releases a closed console's browser after 5 minutes; here after 4 s.
    console.setReleaseDelay(4000);
    console.close();
    wait(2000);
    report("embedded console closed");
    wait(8000);
    report("... and released");
    console.openConsole(AppConstants::serverBaseUrl() + QStringLiteral("/console/login/r/") + user.refreshToken());
    wait(6000);
    report("embedded console opened again");
    return 0;
}
