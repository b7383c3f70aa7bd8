// A backlog at start: the whole program started over 0, 50,000 and 200,000 signed logs left
// in larkspan.db, against the reference server, a logged-in user. For each: the start-up
// (spawn until the uploader thread runs, the step just before the tray is made), resident
// memory 4 s after the start (before the first upload pass), the drain time (spawn until the
// store is empty) and resident memory after it, and whether the server holds every log once.
// Usage: LARKSPAN_BUILD_DIR=$PWD bin/bench_backlog [count ...]

#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "LarkspanRun.h"
#include "ProcFields.h"
#include "TimeLog.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QSqlDatabase openStore(const LarkspanHome& home, const QString& name, bool readOnly)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(home.dataDir() + QStringLiteral("/larkspan.db"));
    if (readOnly)
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
    db.open();
    return db;
}

// count one-minute logs, signed, oldest a year ago, as a long offline stretch leaves them.
bool leaveBacklog(const LarkspanHome& home, int count)
{
    QDir().mkpath(home.dataDir());
    QFile::setPermissions(home.dataDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    bool ok = true;
    {
        QSqlDatabase db = openStore(home, QStringLiteral("seed"), false);
        QSqlQuery query(db);
        ok = query.exec(QStringLiteral(
            "CREATE TABLE time_logs (    id INTEGER PRIMARY KEY AUTOINCREMENT,     start_time VARCHAR NOT NULL,     "
            "end_time VARCHAR NOT NULL,     app_name VARCHAR NOT NULL,     window_title VARCHAR NOT NULL,     "
            "platform VARCHAR NOT NULL,     mac_address VARCHAR NOT NULL,     active_count INTEGER NOT NULL,     "
            "meta_data VARCHAR NOT NULL,     sig VARCHAR NOT NULL)"));
        db.transaction();
        query.prepare(QStringLiteral("INSERT INTO time_logs (start_time, end_time, app_name, window_title, platform, "
                                     "mac_address, active_count, meta_data, sig) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QDateTime first = QDateTime::currentDateTimeUtc().addDays(-365);
        TimeLog log;
        for (int i = 0; ok && i < count; ++i) {
            log.setStartTime(first.addSecs(60 * i));
            log.setEndTime(first.addSecs(60 * i + 60));
            log.setAppName(i % 3 ? QStringLiteral("editor") : QStringLiteral("browser"));
            log.setWindowTitle(QStringLiteral("Quarterly report, draft %1 - Editor").arg(i % 97));
            log.setActiveCount(i % 40);
            log.setMetaData(QStringLiteral("https://example.org/page/%1").arg(i % 13));
            log.setSignature(TimeLog::buildSignature(log));
            for (const QVariant& value :
                 {QVariant(log.startTimeStr()), QVariant(log.endTimeStr()), QVariant(log.appName()),
                  QVariant(log.windowTitle()), QVariant(log.platform()), QVariant(log.macAddress()),
                  QVariant(log.activeCount()), QVariant(log.metaData()), QVariant(log.signature())})
                query.addBindValue(value);
            ok = query.exec();
        }
        ok = db.commit() && ok;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    return ok;
}

qint64 storedCount(const LarkspanHome& home)
{
    qint64 count = -1;
    {
        QSqlDatabase db = openStore(home, QStringLiteral("count"), true);
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT COUNT(*) FROM time_logs")) && query.next())
            count = query.value(0).toLongLong();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return count;
}

bool threadRuns(qint64 pid, const QByteArray& name)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return true;
    }
    return false;
}

double mib(qint64 kib)
{
    return kib / 1024.0;
}

void runOnce(int count)
{
    DevServerProcess server;
    if (!server.start({QStringLiteral("--quiet")})) {
        std::printf("%7d logs: server did not start: %s\n", count, qPrintable(server.errorString()));
        return;
    }
    LarkspanHome home;
    const QString userName = QStringLiteral("backlog");
    const UserInfo user = loggedInUser(server, userName);
    home.storeUserInfo(user.toJson());
    if (!user.isLoggedIn() || !leaveBacklog(home, count)) {
        std::printf("%7d logs: could not prepare the home\n", count);
        return;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    QElapsedTimer timer;
    timer.start();
    auto program =
        home.start({QStringLiteral("LARKSPAN_SERVER_URL=") + base, QStringLiteral("LARKSPAN_INGRESS_URL=") + base});
    const qint64 pid = program->processId();
    qint64 startupMs = -1;
    while (timer.elapsed() < 60000 && program->state() == QProcess::Running) {
        if (threadRuns(pid, "TimeLogUploader")) {
            startupMs = timer.elapsed();
            break;
        }
        QThread::usleep(2000);
    }
    wait(int(qMax<qint64>(0, startupMs + 4000 - timer.elapsed())));
    const qint64 rssAfterStart = procKiB(pid, "status", "VmRSS:");
    qint64 peak = rssAfterStart;
    qint64 drainMs = -1;
    while (timer.elapsed() < 30 * 60 * 1000 && program->state() == QProcess::Running) {
        peak = qMax(peak, procKiB(pid, "status", "VmRSS:"));
        if (storedCount(home) == 0) {
            drainMs = timer.elapsed();
            break;
        }
        wait(200);
    }
    const qint64 rssAfterDrain = procKiB(pid, "status", "VmRSS:");
    const qint64 hwm = procKiB(pid, "status", "VmHWM:");
    stopWithSignal(*program, SIGTERM);

    const QJsonArray stored =
        DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=") + userName))
            .value(QStringLiteral("activities"))
            .toArray();
    QSet<QString> spans;
    for (const QJsonValue& value : stored)
        spans.insert(value.toObject().value(QStringLiteral("start_time")).toString());
    std::printf("%7d logs: start-up %6lld ms   RSS 4 s after start %6.1f MiB   drained in %7.1f s   RSS after drain "
                "%6.1f MiB (peak %6.1f, high-water %6.1f)   on server %d (%d distinct spans)\n",
                count, startupMs, mib(rssAfterStart), drainMs / 1000.0, mib(rssAfterDrain), mib(peak), mib(hwm),
                int(stored.size()), int(spans.size()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QByteArray(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {0, 50000, 200000};
    for (int count : counts)
        runOnce(count);
    return 0;
}
