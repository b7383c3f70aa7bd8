#pragma once

#include "StoppableThread.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>

class DatabaseManager;
class HttpClient;
class TimeLog;

// Moves finished time logs to the service: every 90 seconds up to 500 of them in one
// request; accepted ones leave the local store, failures are counted and announced.
class TimeLogUploader : public StoppableThread
{
    Q_OBJECT
public:
    // Tests shorten the reply time-out of the HTTP client; the program keeps two minutes.
    explicit TimeLogUploader(int replyTimeoutMs = 120000);
    ~TimeLogUploader() override;

    void run() override;
    // One pass of the loop without its sleep; the loop calls it, and so can tests.
    void runPass();

    bool isWaitingUploadResults() const { return waitingUploadResults; }
    int currentFailureCount() const { return failureCount; }
    HttpClient* currentHttpClient() const { return httpClient; }

private slots:
    void initHttpClient();
    void onUploadResults(const QList<qint64>& results);
    void onUploadFailed(const QString& reason);

private:
    void uploadTimeLogs();
    bool shouldExclude(const TimeLog& log) const;
    // Hands a request to the client on the thread the client lives on: the client may be
    // replaced there at any time, so this thread never touches it directly.
    void requestExchangeToken(const QString& refreshToken);
    void requestUpload(const QString& idArrayJsonStr, const QString& timeLogsJson);

    bool waitedTooLong() const;

    std::atomic<bool> waitingUploadResults {false};
    std::atomic<qint64> _waitingSinceMs {0};
    int failureCount = 0;
    QDateTime lastDelayNoticeTime;
    HttpClient* httpClient = nullptr;
    DatabaseManager* dbManager;
    int _replyTimeoutMs;
};
