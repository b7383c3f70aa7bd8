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

    // For a user who logs out, once the thread has stopped: sends what is pending for them,
    // pass after pass while the service accepts, for at most timeoutMs. Runs on the
    // uploader's own (the main) thread, whose event loop it turns while it waits.
    void uploadPendingBeforeLogout(int timeoutMs);

    bool isWaitingUploadResults() const { return waitingUploadResults; }
    int currentFailureCount() const { return failureCount; }
    HttpClient* currentHttpClient() const { return httpClient; }

    // Logs per request, and the least time between the starts of two requests while a
    // backlog drains.
    static constexpr int kBatchSize = 500;
    static constexpr int kDrainGapMs = 250;

private slots:
    void initHttpClient();
    void onUploadResults(const QList<qint64>& results);
    void onUploadFailed(const QString& reason);
    void onLoginFailed(const QString& reason);

private:
    void uploadTimeLogs();
    // After a pass that asked for a new access token: waits a bounded time for the answer;
    // true when the token is valid now, so the same pass can upload.
    bool awaitTokenExchange();
    // After a pass that sent a full batch with more waiting: waits for its result; true
    // when it was accepted, so the next batch can go at once.
    bool awaitDrainResult();
    bool shouldExclude(const TimeLog& log) const;
    // Hands a request to the client on the thread the client lives on: the client may be
    // replaced there at any time, so this thread never touches it directly.
    void requestExchangeToken(const QString& refreshToken);
    void requestUpload(const QString& idArrayJsonStr, const QString& timeLogsJson);

    bool waitedTooLong() const;

    std::atomic<bool> waitingUploadResults {false};
    // What the last pass did and how it ended, read by the loop on the uploader's thread.
    std::atomic<bool> _exchangeRequested {false};
    std::atomic<bool> _loginRefused {false};
    // Set when the failure about to be reported is a refused access token.
    bool _failureIsLogin = false;
    std::atomic<bool> _moreThanABatchWaits {false};
    std::atomic<bool> _lastUploadAccepted {false};
    // The user has been told once that their login expired; cleared by the next login.
    std::atomic<bool> _loginExpiredAnnounced {false};
    std::atomic<qint64> _waitingSinceMs {0};
    int failureCount = 0;
    QDateTime lastDelayNoticeTime;
    HttpClient* httpClient = nullptr;
    DatabaseManager* dbManager;
    int _replyTimeoutMs;
};
