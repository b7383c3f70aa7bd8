// One upload pass of 500 stored logs against the reference server: load, check,
// serialise, post, and delete after the server accepted them. Prints time, the growth of
// the process's peak memory during the pass, and the request size.

#include "AppSignals.h"
#include "DatabaseManager.h"
#include "HttpClient.h"
#include "SyncTestSupport.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLog.h"
#include "TimeLogUploader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long peakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void resetPeakRss()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void addLogs(int count)
{
    QDateTime next = QDateTime::currentDateTimeUtc().addDays(-3);
    for (int i = 0; i < count; ++i) {
        TimeLog log;
        log.setStartTime(next);
        next = next.addSecs(47);
        log.setEndTime(next);
        log.setAppName(QStringLiteral("code"));
        log.setWindowTitle(QStringLiteral("TimeLogUploader.cpp - larkspan - Visual editor %1").arg(i));
        log.setMetaData(TimeEvent::strEmpty());
        DatabaseManager::instance().timeLogDao.addTimeLog(log);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    TestHome home;
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("LarkspanBench"));
    AppSignals::init(&app);
    DevServerProcess server;
    if (!server.start({QStringLiteral("--quiet")})) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    SyncTest::useServer(server);
    SyncTest::logInAndStore(server, QStringLiteral("bench"));

    TimeLogUploader uploader;
    std::vector<double> ms;
    std::vector<long> peakGrowth;
    qint64 requestBytes = 0;
    for (int run = 0; run < 7; ++run) {
        addLogs(500);
        QSignalSpy upload(uploader.currentHttpClient(), &HttpClient::sigUpload);
        resetPeakRss();
        const long before = peakRssKb();
        QElapsedTimer timer;
        timer.start();
        uploader.runPass();
        while (upload.isEmpty() || uploader.isWaitingUploadResults())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        peakGrowth.push_back(peakRssKb() - before);
        requestBytes = upload.at(0).at(1).toString().toUtf8().size();
        if (DatabaseManager::instance().timeLogDao.allTimeLogs()->size() != 0) {
            std::fprintf(stderr, "logs were left behind\n");
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::sort(peakGrowth.begin(), peakGrowth.end());
    std::printf("upload pass of 500 logs: median %.1f ms (min %.1f, max %.1f); peak memory growth median %ld KiB; "
                "request %lld bytes\n",
                ms[ms.size() / 2], ms.front(), ms.back(), peakGrowth[peakGrowth.size() / 2], requestBytes);
    return 0;
}
