#include "AppSignals.h"
#include "Clock.h"
#include "DatabaseManager.h"
#include "HostileRequest.h"
#include "HostileService.h"
#include "HttpClient.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "LogText.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLog.h"
#include "TimeLogUploader.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

namespace {

void storeUser(const QString& accessToken)
{
    UserInfo user;
    user.setCvUserId(QStringLiteral("u-1"));
    user.setRefreshToken(QStringLiteral("rt_refresh"));
    user.setAccessToken(accessToken);
    user.setAccessTokenCreationMillisecs(Clock::currentMSecsSinceEpoch());
    user.setAccessTokenExpiriesInSecs(3600);
    user.save();
}

int storedLogs()
{
    return int(DatabaseManager::instance().timeLogDao.allTimeLogs()->size());
}

void addLog()
{
    static QDateTime next = QDateTime::currentDateTimeUtc().addDays(-1);
    TimeLog log;
    log.setStartTime(next);
    next = next.addSecs(60);
    log.setEndTime(next);
    log.setAppName(QStringLiteral("editor"));
    log.setWindowTitle(QStringLiteral("notes"));
    log.setMetaData(TimeEvent::strEmpty());
    DatabaseManager::instance().timeLogDao.addTimeLog(log);
}

} // namespace

// The client against a stand-in service that answers what no honest service would:
// what it stores, what it sends next and what it logs.
class TestHostileReplies : public QObject
{
    Q_OBJECT
private:
    HostileService service;

private slots:
    void initTestCase()
    {
        AppSignals::init(QCoreApplication::instance());
        QtLog::init();
        QtLog::getConf().setLogLevel(QtDebugMsg);
        QtLog::getConf().setFileName(QStringLiteral("Larkspan.log"));
        service.useForClient();
    }

    void init()
    {
        QSettings().clear();
        DatabaseManager::instance().timeLogDao.removeAllTimeLogs();
    }

    void tokensThatCouldBreakHeadersAreRefused()
    {
        storeUser(QStringLiteral("good-token"));
        HttpClient client;
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        service.answer(HostileService::Reply(
            R"({"idToken":"AT\r\nX-Injected: yes","expiresInSecs":3600,"resultState":"EXCHANGE_VALID"})"));
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QVERIFY(failed.wait(30000));
        QCOMPARE(UserInfo::load().accessToken(), QStringLiteral("good-token"));
        QVERIFY(logText().contains("refused a token that is not printable ASCII"));

        // The next upload carries the stored token and nothing else.
        QSignalSpy results(&client, &HttpClient::uploadResults);
        service.answer(HostileService::Reply("{}"));
        client.upload(QStringLiteral("[1]"), QStringLiteral(R"({"lk_client_activity":[{}]})"));
        QVERIFY(results.wait(30000));
        QVERIFY(service.requests().last().contains("Authorization: Bearer good-token\r\n"));
        QVERIFY(!service.requests().last().contains("X-Injected"));

        // A token stored by hand (or by an older version) never reaches a header either.
        storeUser(QStringLiteral("bad\r\nX-Injected: yes"));
        client.upload(QStringLiteral("[1]"), QStringLiteral(R"({"lk_client_activity":[{}]})"));
        QVERIFY(results.wait(30000));
        QVERIFY(!service.requests().last().contains("X-Injected"));

        // A refresh token with a space is as good as none: no exchange is asked for with it.
        QSignalSpy success(&client, &HttpClient::loginSuccess);
        QSignalSpy exchange(&client, &HttpClient::sigExchangeToken);
        service.answer(HostileService::Reply(R"({"cvUserId":"u-1","refreshToken":"rt refresh"})"));
        client.checkLoginStatus();
        QVERIFY(success.wait(30000));
        QCOMPARE(success.last().at(0).value<UserInfo>().refreshToken(), QString());
        QCOMPARE(exchange.last().at(0).toString(), QString());
    }

    void tokensAreMaskedInTheLogWhateverTheirEscapes()
    {
        HttpClient client;
        QSignalSpy success(&client, &HttpClient::loginSuccess);
        service.answer(
            HostileService::Reply(R"({"cvUserId":"u-1","refreshToken":"rt\u005fs3cr3t\/0123456789abcdef"})"));
        client.checkLoginStatus();
        QVERIFY(success.wait(30000));
        QCOMPARE(success.last().at(0).value<UserInfo>().refreshToken(), QStringLiteral("rt_s3cr3t/0123456789abcdef"));

        storeUser(QStringLiteral("old"));
        service.answer(HostileService::Reply(R"({"idToken":"at\/s3cr3t\/fedcba9876543210","expiresInSecs":3600})"));
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(UserInfo::load().accessToken(), QStringLiteral("at/s3cr3t/fedcba9876543210"), 30000);

        const QByteArray log = logText();
        QVERIFY(log.contains("handleExchangeTokenReply - read response"));
        for (const char* secret : {"0123456789abcdef", "fedcba9876543210", "s3cr3t\\/", "s3cr3t/"})
            QVERIFY2(!log.contains(secret), secret);
    }

    void oversizedRepliesAreCutOff()
    {
        storeUser(QStringLiteral("good-token"));
        HttpClient client;

        // 1 MB on the wire that inflates to 1 GiB, where the network layer would inflate it.
        HostileService::Reply bomb(HostileRequest::gzipOfZeros(qint64(1) << 30));
        bomb.headers << "Content-Encoding: gzip";
        service.answer(bomb);
        resetPeakMemory();
        const qint64 before = peakMemoryMiB();
        // Each refused reply ends in one error line of the handler.
        const QByteArray refused = "handleExchangeTokenReply - error";
        const int refusedBefore = logText().count(refused);
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(logText().count(refused), refusedBefore + 1, 30000);
        QCOMPARE(UserInfo::load().accessToken(), QStringLiteral("good-token"));

        // A 50 MB token: the reply is aborted past a MiB, so it is neither stored nor logged.
        HostileService::Reply flood("{\"idToken\":\"");
        flood.filler = 50 * 1024 * 1024;
        flood.tail = "\",\"expiresInSecs\":3600}";
        service.answer(flood);
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(logText().count(refused), refusedBefore + 2, 30000);
        QCOMPARE(UserInfo::load().accessToken(), QStringLiteral("good-token"));
        QVERIFY2(peakMemoryMiB() - before < 32, qPrintable(QString::number(peakMemoryMiB() - before)));
        QVERIFY(QFile(QtLog::getConf().getLogFilePath()).size() < 2 * 1024 * 1024);

        // An upload answered that way counts as failed, whatever its status.
        QSignalSpy failed(&client, &HttpClient::uploadFailed);
        QSignalSpy results(&client, &HttpClient::uploadResults);
        client.upload(QStringLiteral("[1]"), QStringLiteral(R"({"lk_client_activity":[{}]})"));
        QVERIFY(failed.wait(30000));
        QCOMPARE(results.count(), 0);
    }

    // Small chunks without any length reach the client piece by piece: what counts is what
    // arrived, not what was announced or how it was framed.
    void endlessChunkedRepliesAreCutOffAtTheCap()
    {
        storeUser(QStringLiteral("good-token"));
        HttpClient client;
        HostileService::Reply endless("{\"idToken\":\"");
        endless.filler = qint64(1) << 30;
        endless.chunkBytes = 64 * 1024;
        service.answer(endless);
        resetPeakMemory();
        const qint64 before = peakMemoryMiB();
        const QByteArray refused = "handleExchangeTokenReply - error";
        const int refusedBefore = logText().count(refused);
        QElapsedTimer clock;
        clock.start();
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(logText().count(refused), refusedBefore + 1, 30000);
        QCOMPARE(UserInfo::load().accessToken(), QStringLiteral("good-token"));
        // Taken off the wire, kernel buffers included: far from the GiB a full read takes.
        QVERIFY2(service.lastReplyBytes() < 128 * 1024 * 1024, qPrintable(QString::number(service.lastReplyBytes())));

        QSignalSpy failed(&client, &HttpClient::uploadFailed);
        QSignalSpy results(&client, &HttpClient::uploadResults);
        client.upload(QStringLiteral("[1]"), QStringLiteral(R"({"lk_client_activity":[{}]})"));
        QVERIFY(failed.wait(30000));
        QCOMPARE(results.count(), 0);
        QVERIFY2(service.lastReplyBytes() < 128 * 1024 * 1024, qPrintable(QString::number(service.lastReplyBytes())));
        // The bytes taken and the memory tell a full read; the time only that the cut came
        // without waiting for the end, with room for a busy machine.
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
        // The stand-in service's own buffers count here too.
        QVERIFY2(peakMemoryMiB() - before < 256, qPrintable(QString::number(peakMemoryMiB() - before)));
    }

    void absurdLifetimesGetTheUsualHour()
    {
        HttpClient client;
        const QList<QByteArray> lifetimes = {"1e300", "-5", "\"3600\"", "3456000"};
        for (const QByteArray& lifetime : lifetimes) {
            const QString token = QStringLiteral("at-") + QString::fromLatin1(lifetime.toHex());
            service.answer(
                HostileService::Reply("{\"idToken\":\"" + token.toLatin1() + "\",\"expiresInSecs\":" + lifetime + "}"));
            client.exchangeToken(QStringLiteral("rt_refresh"));
            QTRY_COMPARE_WITH_TIMEOUT(UserInfo::load().accessToken(), token, 30000);
            QCOMPARE(UserInfo::load().accessTokenExpiriesInSecs(), qint64(3600));
            // So the next pass uploads instead of exchanging the token again.
            QVERIFY(UserInfo::load().isAccessTokenValid());
        }
        QCOMPARE(logText().count("expiresInSecs outside 0 to 31 days"), 1);
        service.answer(HostileService::Reply(R"({"idToken":"at-month","expiresInSecs":2678400})"));
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(UserInfo::load().accessTokenExpiriesInSecs(), qint64(2678400), 30000);
    }

    void aPortalPageIsNoLogin()
    {
        HttpClient client;
        QSignalSpy success(&client, &HttpClient::loginSuccess);
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        HostileService::Reply portal("<html><body>Please sign in to the hotel Wi-Fi</body></html>");
        portal.headers = {"Content-Type: text/html"};
        service.answer(portal);
        client.checkLoginStatus();
        QVERIFY(failed.wait(30000));
        QCOMPARE(success.count(), 0);
        QVERIFY(!UserInfo::load().isLoggedIn());
    }

    void userIdsThatCouldForgeLinesAreRefused()
    {
        HttpClient client;
        QSignalSpy success(&client, &HttpClient::loginSuccess);
        // As JSON escapes: a line break and a NUL.
        const QList<QByteArray> ids = {"u-1\\n[critical] forged line", "u-1\\u0000forged", QByteArray(300, 'u')};
        for (const QByteArray& id : ids) {
            service.answer(HostileService::Reply("{\"cvUserId\":\"" + id + "\",\"refreshToken\":\"rt_x\"}"));
            client.checkLoginStatus();
            QVERIFY(success.wait(30000));
            QCOMPARE(success.last().at(0).value<UserInfo>().cvUserId(), QString());
        }
        QVERIFY(!logText().contains("\n[critical] forged"));
        QVERIFY(!logText().contains('\0'));

        // One stored raw by an older version is dropped when read.
        QSettings().setValue(Keys::userInfoJson, QStringLiteral(R"({"cvUserId":"u-1\nforged","refreshToken":"rt_x"})"));
        QCOMPARE(UserInfo::load().cvUserId(), QString());
        QCOMPARE(UserInfo::load().refreshToken(), QStringLiteral("rt_x"));
        service.answer(HostileService::Reply(R"({"cvUserId":"ann@example.com","refreshToken":"rt_x"})"));
        client.checkLoginStatus();
        QVERIFY(success.wait(30000));
        QCOMPARE(success.last().at(0).value<UserInfo>().cvUserId(), QStringLiteral("ann@example.com"));
    }

    void hugeTokensAreRefused()
    {
        storeUser(QStringLiteral("good-token"));
        HttpClient client;
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        const QByteArray huge(900 * 1000, 'A');
        service.answer(HostileService::Reply("{\"idToken\":\"" + huge
                                             + "\",\"expiresInSecs\":3600,\"resultState\":\"EXCHANGE_VALID\"}"));
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QVERIFY(failed.wait(30000));
        QCOMPARE(UserInfo::load().accessToken(), QStringLiteral("good-token"));

        QSignalSpy success(&client, &HttpClient::loginSuccess);
        service.answer(HostileService::Reply("{\"cvUserId\":\"u-1\",\"refreshToken\":\"" + huge + "\"}"));
        client.checkLoginStatus();
        QVERIFY(success.wait(30000));
        QCOMPARE(success.last().at(0).value<UserInfo>().refreshToken(), QString());
        QVERIFY(QSettings().value(Keys::userInfoJson).toString().size() < 10000);

        // A token as long as the service's longest still goes through.
        const QByteArray longest(4096, 'B');
        service.answer(HostileService::Reply("{\"idToken\":\"" + longest + "\",\"expiresInSecs\":3600}"));
        client.exchangeToken(QStringLiteral("rt_refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(UserInfo::load().accessToken(), QString::fromLatin1(longest), 30000);
    }

    void aLongRefusalIsShortInTheLogAndTheNotice()
    {
        storeUser(QStringLiteral("good-token"));
        HttpClient client;
        QSignalSpy failed(&client, &HttpClient::uploadFailed);
        QSignalSpy notices(&client, &HttpClient::errorString);
        HostileService::Reply refusal("Refused: ");
        refusal.status = 202;
        refusal.headers = {"Content-Type: text/plain"};
        refusal.filler = 1000 * 1000;
        service.answer(refusal);
        const qint64 logBefore = QFile(QtLog::getConf().getLogFilePath()).size();
        client.upload(QStringLiteral("[1]"), QStringLiteral(R"({"lk_client_activity":[{}]})"));
        QVERIFY(failed.wait(30000));
        const QString reason = failed.last().at(0).toString();
        QVERIFY(reason.startsWith(QStringLiteral("Refused: aaa")));
        QVERIFY2(reason.size() < 400, qPrintable(QString::number(reason.size())));
        QVERIFY(notices.last().at(1).toString().size() < 400);
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("handleUploadReply - read response: "), 5000);
        const qint64 grown = QFile(QtLog::getConf().getLogFilePath()).size() - logBefore;
        QVERIFY2(grown < 4000, qPrintable(QString::number(grown)));
    }

    void aPortalPageDeletesNothing()
    {
        storeUser(QStringLiteral("good-token"));
        addLog();
        TimeLogUploader uploader(2000);
        HostileService::Reply portal("<html><body>Please sign in to the hotel Wi-Fi</body></html>");
        portal.headers = {"Content-Type: text/html; charset=utf-8"};
        service.answer(portal);
        uploader.runPass();
        QTRY_VERIFY_WITH_TIMEOUT(!uploader.isWaitingUploadResults(), 30000);
        QCOMPARE(uploader.currentFailureCount(), 1);
        QCOMPARE(storedLogs(), 1);
    }

    void aLostUploadReplyLetsALaterPassUpload()
    {
        storeUser(QStringLiteral("good-token"));
        addLog();
        TimeLogUploader uploader(1000);
        HostileService::Reply accepted("{}");
        accepted.delayMs = 300;
        service.answer(accepted);
        const int sent = service.requests().size();
        const QByteArray handled = "handleUploadReply - idArrayJsonStr=";
        const int handledBefore = logText().count(handled);
        uploader.runPass();
        // Started after the pass, so it never runs ahead of the uploader's own count.
        QElapsedTimer sinceRequest;
        sinceRequest.start();
        QTRY_COMPARE_WITH_TIMEOUT(service.requests().size(), sent + 1, 30000);
        // The outcome of this request never reaches the uploader.
        uploader.currentHttpClient()->blockSignals(true);
        QTRY_COMPARE_WITH_TIMEOUT(logText().count(handled), handledBefore + 1, 30000);
        uploader.currentHttpClient()->blockSignals(false);
        QVERIFY(uploader.isWaitingUploadResults());
        QCOMPARE(storedLogs(), 1);

        // Within twice the reply time-out a pass only waits; after it, a pass uploads again.
        QTest::qWait(int(qMax<qint64>(0, 2 * 1000 - sinceRequest.elapsed())) + 100);
        uploader.runPass();
        QTRY_COMPARE_WITH_TIMEOUT(storedLogs(), 0, 30000);
        QCOMPARE(service.requests().size(), sent + 2);
        QVERIFY(logText().contains("giving up on that request"));
    }
};

LARKSPAN_TEST_MAIN(TestHostileReplies, QCoreApplication)
#include "tst_hostilereplies.moc"
