// The logging of one upload pass of 500 logs at the default warning level, written both
// ways: as an unguarded line would (each disabled line still builds its text, base64 of the
// whole request included, into a stream that drops it) and through the LK_* guards. Prints
// the median per pass.

#include "QtLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Log {
    QString startTime, endTime, appName, windowTitle;
};

QString describe(const Log& log)
{
    return QStringLiteral("startTime=%1, endTime=%2, appName=%3, windowTitle=%4")
        .arg(log.startTime, log.endTime, log.appName, log.windowTitle);
}

double medianMs(const std::function<void()>& pass)
{
    std::vector<double> ms;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer timer;
        timer.start();
        pass();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QtLog::getConf().setLogLevel(QtWarningMsg);

    std::vector<Log> logs;
    QJsonArray array;
    for (int i = 0; i < 500; ++i) {
        Log log {QStringLiteral("2024-03-0%1 10:00:00").arg(i % 9 + 1), QStringLiteral("2024-03-01 10:00:47"),
                 QStringLiteral("code"), QStringLiteral("TimeLogUploader.cpp - larkspan - Visual editor %1").arg(i)};
        QJsonObject object;
        object.insert(QStringLiteral("startTime"), log.startTime);
        object.insert(QStringLiteral("endTime"), log.endTime);
        object.insert(QStringLiteral("appName"), log.appName);
        object.insert(QStringLiteral("windowTitle"), log.windowTitle);
        array.append(object);
        logs.push_back(log);
    }
    QJsonObject envelope;
    envelope.insert(QStringLiteral("lk_client_activity"), array);
    const QString json = QString::fromUtf8(QJsonDocument(envelope).toJson(QJsonDocument::Compact));

    QString scratch;
    const auto dropped = [&scratch] {
        scratch.clear();
        return QDebug(&scratch);
    };
    const double unguarded = medianMs([&] {
        for (const Log& log : logs)
            dropped() << "Adding for upload: " + describe(log);
        dropped() << "uploadReqJson: " << QString::fromLatin1(json.toUtf8().toBase64());
        dropped() << "doUpload: uploadReqJson=" << json;
    });
    const double guarded = medianMs([&] {
        for (const Log& log : logs)
            LK_DEBUG() << "Adding for upload: " + describe(log);
        LK_INFO() << "uploadReqJson: " << QString::fromLatin1(json.toUtf8().toBase64());
        LK_DEBUG() << "doUpload: uploadReqJson=" << json;
    });
    std::printf("logging of one upload pass (500 logs, %lld-byte request) at warning level: "
                "unguarded %.3f ms, guarded %.4f ms\n",
                static_cast<long long>(json.size()), unguarded, guarded);
    return 0;
}
