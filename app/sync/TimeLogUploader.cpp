#include "TimeLogUploader.h"

#include "AppSignals.h"
#include "Clock.h"
#include "DatabaseManager.h"
#include "HttpClient.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TimeEvent.h"
#include "TimeLog.h"
#include "TokenMask.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <chrono>
#include <cstdlib>
#include <utility>

namespace {

// True when a non-empty entry of the list occurs in text, in any letter case. An empty
// entry would match every log and so delete them all: it is ignored.
bool containsAnyOf(const QString& text, const QStringList& entries)
{
    for (const QString& entry : entries) {
        if (!entry.isEmpty() && text.contains(entry, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

qint64 monotonicMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString describe(const TimeLog& log)
{
    return QStringLiteral("startTime=%1, endTime=%2, appName=%3, windowTitle=%4")
        .arg(log.startTimeStr(), log.endTimeStr(), log.appName(), log.windowTitle());
}

} // namespace

TimeLogUploader::TimeLogUploader(int replyTimeoutMs)
    : dbManager(&DatabaseManager::instance()), _replyTimeoutMs(replyTimeoutMs)
{
    initHttpClient();
    // A backlog kept while the login was refused goes up as soon as the user is back.
    connect(
        AppSignals::instance(), &AppSignals::loggedIn, this, [this] { interruptSleep(); }, Qt::DirectConnection);
    LK_DEBUG() << "TimeLogUploader has been initialised.";
}

TimeLogUploader::~TimeLogUploader() = default;

void TimeLogUploader::initHttpClient()
{
    httpClient = new HttpClient(this, _replyTimeoutMs);
    connect(httpClient, &HttpClient::sigExchangeToken, httpClient, &HttpClient::exchangeToken);
    connect(httpClient, &HttpClient::sigUpload, httpClient, &HttpClient::upload);
    connect(httpClient, &HttpClient::uploadResults, this, &TimeLogUploader::onUploadResults);
    connect(httpClient, &HttpClient::uploadUnauthorized, this, [this] { _failureIsLogin = true; });
    connect(httpClient, &HttpClient::uploadFailed, this, &TimeLogUploader::onUploadFailed);
    connect(httpClient, &HttpClient::loginFailed, this, &TimeLogUploader::onLoginFailed);
}

void TimeLogUploader::requestExchangeToken(const QString& refreshToken)
{
    QMetaObject::invokeMethod(
        this, [this, refreshToken] { emit httpClient->sigExchangeToken(refreshToken); }, Qt::QueuedConnection);
}

void TimeLogUploader::requestUpload(const QString& idArrayJsonStr, const QString& timeLogsJson)
{
    QMetaObject::invokeMethod(
        this, [this, idArrayJsonStr, timeLogsJson] { emit httpClient->sigUpload(idArrayJsonStr, timeLogsJson); },
        Qt::QueuedConnection);
}

void TimeLogUploader::run()
{
    sleepSecs(5);
    LK_DEBUG() << "TimeLogUploader: started running..."
               << "stopped=" << isStopRequested();
    qint64 passStartMs = 0;
    while (!isStopRequested()) {
        passStartMs = monotonicMs();
        runPass();
        // A token fetched at the start of the pass serves its upload, instead of leaving the
        // backlog for one more rhythm after an outage.
        if (_exchangeRequested && awaitTokenExchange())
            runPass();
        if (awaitDrainResult()) {
            // A backlog goes up batch after batch while the service takes them, at a bounded
            // rate; the first failure brings back the usual rhythm.
            sleepMsecs(qMax<qint64>(0, kDrainGapMs - (monotonicMs() - passStartMs)));
            continue;
        }
        sleepSecs(90);
    }
    terminate();
    LK_INFO() << "TimeLogUploader has been terminated.";
}

bool TimeLogUploader::awaitTokenExchange()
{
    // The exchange normally answers within a second; a silent service is not waited out.
    constexpr qint64 kExchangeWaitMs = 30000;
    const qint64 startMs = monotonicMs();
    while (!isStopRequested() && !_loginRefused && monotonicMs() - startMs < kExchangeWaitMs) {
        if (UserInfo::load().isAccessTokenValid())
            return true;
        sleepMsecs(100);
    }
    return false;
}

bool TimeLogUploader::awaitDrainResult()
{
    if (!_moreThanABatchWaits || !waitingUploadResults)
        return false;
    while (!isStopRequested() && waitingUploadResults && !waitedTooLong())
        sleepMsecs(20);
    return !isStopRequested() && !waitingUploadResults && _lastUploadAccepted;
}

void TimeLogUploader::uploadPendingBeforeLogout(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    const auto exchangePending = [this] {
        return _exchangeRequested && !_loginRefused && !UserInfo::load().isAccessTokenValid();
    };
    while (timer.elapsed() < timeoutMs) {
        const UserInfo userInfo = UserInfo::load();
        if (!userInfo.isLoggedIn() || dbManager->timeLogDao.countForUpload(userInfo.cvUserId(), 1) == 0)
            return;
        runPass();
        while (timer.elapsed() < timeoutMs && (waitingUploadResults || exchangePending()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (waitingUploadResults) {
            LK_WARNING() << "TimeLogUploader: no answer to the last upload before the logout; its logs stay stored "
                            "for the user";
            return;
        }
        if (_exchangeRequested) {
            if (!UserInfo::load().isAccessTokenValid())
                return;
            continue;
        }
        if (!_lastUploadAccepted)
            return;
    }
}

void TimeLogUploader::runPass()
{
    _exchangeRequested = false;
    _moreThanABatchWaits = false;
    if (iniSettings().value(IniKeys::uploadDisabled, false).toBool()) {
        LK_DEBUG() << "Upload has been disabled.";
    } else if (waitingUploadResults && !waitedTooLong()) {
        LK_DEBUG() << "Waiting upload results...";
    } else {
        waitingUploadResults = false;
        uploadTimeLogs();
    }
}

bool TimeLogUploader::waitedTooLong() const
{
    // The reply time-out ends every request; a wait twice that long means its outcome was
    // lost on the way, and waiting on would stop uploads until the next start.
    const qint64 waitedMs = monotonicMs() - _waitingSinceMs;
    if (waitedMs <= 2 * qint64(_replyTimeoutMs))
        return false;
    LK_WARNING() << "TimeLogUploader: no upload result after" << waitedMs / 1000
                 << "seconds, giving up on that request.";
    return true;
}

bool TimeLogUploader::shouldExclude(const TimeLog& log) const
{
    bool exclude = false;
    if (!log.isValid()) {
        LK_CRITICAL()
            << QStringLiteral(
                   "Won't upload invalid time log: startTime=%1, endTime=%2, appName=%3, windowTitle=%4, metaData=%5")
                   .arg(log.startTimeStr(), log.endTimeStr(), log.appName(), log.windowTitle(), log.metaData());
        exclude = true;
    }
    if (!log.isVerified()) {
        LK_CRITICAL() << QStringLiteral("Won't upload with wrong signature: startTime=%1, endTime=%2, appName=%3, "
                                        "windowTitle=%4, metaData=%5, sig=%6")
                             .arg(log.startTimeStr(), log.endTimeStr(), log.appName(), log.windowTitle(),
                                  log.metaData(), log.signature());
        exclude = true;
    }
    QSettings settings;
    if (containsAnyOf(log.appName(), settings.value(Keys::excludedAppNames, QStringList()).toStringList()))
        exclude = true;
    if (containsAnyOf(log.windowTitle(), settings.value(Keys::excludedWinTitles, QStringList()).toStringList()))
        exclude = true;
    return exclude;
}

void TimeLogUploader::uploadTimeLogs()
{
    const UserInfo userInfo = UserInfo::load();
    if (!userInfo.isLoggedIn()) {
        LK_INFO() << "No user logged in, don't upload for now.";
        emit AppSignals::instance()->loginRequired();
        return;
    }
    // A login seen again: a later refusal is news to the user.
    _loginExpiredAnnounced = false;
    if (!userInfo.isAccessTokenValid()) {
        LK_INFO() << "Access token is not valid, exchanging new token: refreshToken="
                  << TokenMask::token(userInfo.refreshToken());
        _loginRefused = false;
        _exchangeRequested = true;
        requestExchangeToken(userInfo.refreshToken());
        return;
    }
    LK_INFO() << "TimeLogUploader: loading time logs for update... for user: " << TokenMask::userInfo(userInfo);

    // Only this user's logs, and those tracked before anyone logged in on this machine.
    _moreThanABatchWaits = dbManager->timeLogDao.countForUpload(userInfo.cvUserId(), kBatchSize + 1) > kBatchSize;
    const auto logs = dbManager->timeLogDao.timeLogsForUpload(kBatchSize, userInfo.cvUserId());
    LK_INFO() << "TimeLogUploader: loaded time logs for upload: size=" << (logs ? int(logs->size()) : 0);
    if (!logs || logs->empty())
        return;

    LK_INFO() << "Upload time logs: -------------------- START --------------------";
    QJsonArray logArray;
    QJsonArray idArray;
    for (const auto& log : *logs) {
        if (shouldExclude(*log)) {
            LK_DEBUG() << "Excluding from upload: " + describe(*log);
            dbManager->timeLogDao.removeTimeLog(log->id());
            continue;
        }
        LK_DEBUG() << "Adding for upload: " + describe(*log);
        TimeLog sent(*log);
        if (sent.appName().trimmed().isEmpty())
            sent.setAppName(TimeEvent::strEmpty());
        if (sent.windowTitle().trimmed().isEmpty())
            sent.setWindowTitle(TimeEvent::strEmpty());
        QJsonObject object;
        sent.write(object);
        logArray.append(object);
        idArray.append(QJsonValue(qint64(log->id())));
    }
    if (logArray.isEmpty()) {
        LK_DEBUG() << "Nothing to upload: "
                   << QString::fromUtf8(QJsonDocument(logArray).toJson(QJsonDocument::Compact));
        return;
    }

    QJsonObject envelope;
    envelope.insert(QStringLiteral("lk_client_activity"), logArray);
    const QString timeLogsJson = QString::fromUtf8(QJsonDocument(envelope).toJson(QJsonDocument::Compact));
    LK_INFO() << "uploadReqJson: " << QString::fromLatin1(timeLogsJson.toUtf8().toBase64());
    _waitingSinceMs = monotonicMs();
    _lastUploadAccepted = false;
    waitingUploadResults = true;
    const QString idArrayJsonStr = QString::fromUtf8(QJsonDocument(idArray).toJson(QJsonDocument::Compact));
    requestUpload(idArrayJsonStr, timeLogsJson);
    LK_INFO() << "Upload time logs: -------------------- FINISH --------------------";
}

void TimeLogUploader::onUploadResults(const QList<qint64>& results)
{
    LK_DEBUG() << "onUploadResults - results: " << results;
    emit AppSignals::instance()->notifyUploaded();
    QMutexLocker lock(&mutex);
    dbManager->timeLogDao.removeTimeLogs(results);
    _lastUploadAccepted = true;
    waitingUploadResults = false;
    failureCount = 0;
    QSettings().setValue(Keys::uploadFailureCount, 0);
}

void TimeLogUploader::onUploadFailed(const QString& reason)
{
    ++failureCount;
    _lastUploadAccepted = false;
    LK_WARNING() << "onUploadFailed - failed to upload due to: " << reason << ", failureCount: " << failureCount;
    waitingUploadResults = false;
    // The server answered, and refused the access token: that is no delay to announce. The
    // exchange that follows either mends it unseen or ends in the login-expired notice.
    const bool loginRefused = std::exchange(_failureIsLogin, false);
    const QDateTime now = Clock::nowLocal();
    if (!loginRefused && (lastDelayNoticeTime.isNull() || std::llabs(lastDelayNoticeTime.secsTo(now)) > 21600)) {
        emit AppSignals::instance()->showMessage(tr("Cannot upload"),
                                                 tr("Larkspan time sync has been delayed (server unavailable)."));
        lastDelayNoticeTime = now;
    }
    if (failureCount > 5) {
        QSettings().setValue(Keys::uploadFailureCount, failureCount);
        httpClient->deleteLater();
        initHttpClient();
        failureCount = 0;
    }
}

void TimeLogUploader::onLoginFailed(const QString& reason)
{
    // A service that says the token is valid but hands out none is at fault, not the login.
    if (reason == QLatin1String("Server error: said valid but no id token returned")) {
        LK_WARNING() << "TimeLogUploader: token exchange failed: " << reason;
        return;
    }
    LK_WARNING() << "TimeLogUploader: the service refused the login: " << reason;
    _loginRefused = true;
    // The tokens go, the user id stays: what is tracked from now on is still this user's,
    // and it goes up once they log in again, never to someone else.
    UserInfo userInfo = UserInfo::load();
    userInfo.setRefreshToken(QString());
    userInfo.setAccessToken(QString());
    userInfo.setAccessTokenCreationMillisecs(0);
    userInfo.setAccessTokenExpiriesInSecs(0);
    userInfo.save();
    if (!_loginExpiredAnnounced.exchange(true))
        emit AppSignals::instance()->loginExpired();
}
