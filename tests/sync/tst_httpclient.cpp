#include "AppSignals.h"
#include "HttpClient.h"
#include "HttpClientWorker.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "SyncTestSupport.h"
#include "TestClock.h"
#include "LogText.h"
#include "TestHome.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

using namespace SyncTest;

// The HTTP client against the reference server over loopback.
class TestHttpClient : public QObject
{
    Q_OBJECT
private:
    DevServerProcess server;
    const QString clientUuid = QStringLiteral("0F8C2B0E-4C55-4B7E-9D6F-0123456789AB");

private slots:
    void initTestCase()
    {
        AppSignals::init(QCoreApplication::instance());
        qRegisterMetaType<UserInfo>();
        QtLog::init();
        QtLog::getConf().setLogLevel(QtDebugMsg);
        QtLog::getConf().setFileName(QStringLiteral("Larkspan.log"));
        QVERIFY2(server.start({QStringLiteral("--login-poll-secs"), QStringLiteral("1")}),
                 qPrintable(server.errorString()));
        useServer(server);
    }

    void init()
    {
        QSettings().clear();
        QSettings().setValue(Keys::clientUuid, clientUuid);
        behave(server, QStringLiteral("reset=1"));
    }

    void loginStatusPendingThenLoggedIn()
    {
        HttpClient client;
        QSignalSpy pending(&client, &HttpClient::sigLoggingIn);
        QSignalSpy success(&client, &HttpClient::loginSuccess);
        QSignalSpy exchange(&client, &HttpClient::sigExchangeToken);
        client.checkLoginStatus();
        QVERIFY(pending.wait(10000));
        QCOMPARE(success.count(), 0);

        const QJsonObject login =
            requestJson("POST", server.url(QStringLiteral("/dev/login?user=alice&lkCuid=") + clientUuid));
        client.checkLoginStatus();
        QVERIFY(success.wait(10000));
        const UserInfo user = success.at(0).at(0).value<UserInfo>();
        QCOMPARE(user.cvUserId(), login.value(QStringLiteral("cvUserId")).toString());
        QCOMPARE(user.refreshToken(), login.value(QStringLiteral("refreshToken")).toString());
        QVERIFY(!user.refreshToken().isEmpty());
        QCOMPARE(exchange.count(), 1);
        QCOMPARE(exchange.at(0).at(0).toString(), user.refreshToken());
        // The receiver saves the user, not the client.
        QVERIFY(!UserInfo::load().isLoggedIn());
    }

    void loginStatusOddReplies()
    {
        HttpClient client;
        QSignalSpy success(&client, &HttpClient::loginSuccess);
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        QSignalSpy errors(&client, &HttpClient::errorString);

        // An HTML page with status 200 is a proxy's or portal's, not a login.
        behave(server, QStringLiteral("garbage=loginStatus"));
        client.checkLoginStatus();
        QVERIFY(failed.wait(10000));
        QCOMPARE(success.count(), 0);
        QCOMPARE(errors.count(), 1);

        behave(server, QStringLiteral("reset=1&fail=loginStatus:404"));
        client.checkLoginStatus();
        QVERIFY(failed.wait(10000));
        QCOMPARE(errors.count(), 2);
        QCOMPARE(errors.at(1).at(0).toString(), QStringLiteral("Larkspan"));
    }

    void tokenExchange()
    {
        const QJsonObject login = requestJson("POST", server.url(QStringLiteral("/dev/login?user=bob")));
        const QString refresh = login.value(QStringLiteral("refreshToken")).toString();
        UserInfo stored;
        stored.setCvUserId(login.value(QStringLiteral("cvUserId")).toString());
        stored.setRefreshToken(refresh);
        stored.save();

        HttpClient client;
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        QSignalSpy errors(&client, &HttpClient::errorString);
        const TestClock clock;
        client.exchangeToken(refresh);
        QTRY_VERIFY_WITH_TIMEOUT(!UserInfo::load().accessToken().isEmpty(), 10000);
        UserInfo updated = UserInfo::load();
        QVERIFY(updated.isAccessTokenValid());
        QCOMPARE(updated.accessTokenCreationMillisecs(), clock.msecs());
        QVERIFY(updated.accessTokenExpiriesInSecs() > 300);
        QCOMPARE(updated.cvUserId(), stored.cvUserId());

        // Without "expiresInSecs" the token is stored with no lifetime.
        behave(server, QStringLiteral("omitExpiresIn=1"));
        const QString previous = updated.accessToken();
        client.exchangeToken(refresh);
        QTRY_VERIFY_WITH_TIMEOUT(UserInfo::load().accessToken() != previous, 10000);
        QCOMPARE(UserInfo::load().accessTokenExpiriesInSecs(), qint64(0));
        updated = UserInfo::load();

        behave(server, QStringLiteral("reset=1&exchangeResultState=REFRESH_TOKEN_INVALID"));
        client.exchangeToken(refresh);
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.last().at(0).toString(), QStringLiteral("Re-login is required"));
        QCOMPARE(UserInfo::load().toJson(), updated.toJson());

        behave(server, QStringLiteral("reset=1&exchangeResultState=EXCHANGE_VALID"));
        client.exchangeToken(refresh);
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.last().at(0).toString(), QStringLiteral("Server error: said valid but no id token returned"));

        behave(server, QStringLiteral("reset=1&exchangeResultState=EXCHANGE_SERVER_ERROR"));
        client.exchangeToken(refresh);
        QVERIFY(errors.wait(10000));
        QCOMPARE(errors.last().at(1).toString(), QStringLiteral("Transient network error occurred"));

        // A server error changes nothing and says nothing (the log notes it).
        const int failedBefore = failed.count();
        const int errorsBefore = errors.count();
        const int loggedBefore = logText().count("handleExchangeTokenReply - error");
        behave(server, QStringLiteral("reset=1&fail=refreshidtoken:500"));
        client.exchangeToken(refresh);
        QTRY_COMPARE_WITH_TIMEOUT(logText().count("handleExchangeTokenReply - error"), loggedBefore + 1, 30000);
        QCOMPARE(failed.count(), failedBefore);
        QCOMPARE(errors.count(), errorsBefore);
        QCOMPARE(UserInfo::load().toJson(), updated.toJson());

        // And with an unknown refresh token the real server refuses.
        behave(server, QStringLiteral("reset=1"));
        client.exchangeToken(QStringLiteral("not-a-token"));
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.last().at(0).toString(), QStringLiteral("Re-login is required"));

        client.exchangeToken(QString());
        QCOMPARE(failed.last().at(0).toString(), QStringLiteral("Login required: refresh token is empty"));
    }

    void feedbackCarriesTheCompressedLog()
    {
        LK_WARNING() << "feedback marker line" << QString::fromUtf8("ünïcödé 🚀");
        QtLog::getConf().flush();
        QFile logFile(QtLog::getConf().getLogFilePath());
        QVERIFY(logFile.open(QIODevice::ReadOnly));

        HttpClient client;
        QSignalSpy success(&client, &HttpClient::feedbackSuccess);
        QSignalSpy status(&client, &HttpClient::feedbackStatus);
        QSignalSpy shown(AppSignals::instance(), &AppSignals::showMessage);
        client.sendFeedback(QStringLiteral("  It works, mostly.  "));
        QVERIFY(success.wait(10000));
        const QByteArray expectedLog = logFile.readAll();
        QCOMPARE(status.count(), 2);
        QCOMPARE(status.at(0).at(0).toString(), QStringLiteral("Compressing logs..."));
        QCOMPARE(status.at(1).at(0).toString(), QStringLiteral("Sending feedback report..."));
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(1).toString(), QStringLiteral("Diagnostics sent successfully - thank you."));

        const QJsonArray reports =
            requestJson("GET", server.url(QStringLiteral("/dev/feedback"))).value(QStringLiteral("feedback")).toArray();
        const QJsonObject report = reports.last().toObject();
        QCOMPARE(report.value(QStringLiteral("uuid")).toString(), QStringLiteral("unknownUser"));
        QCOMPARE(report.value(QStringLiteral("user_message")).toString(), QStringLiteral("  It works, mostly.  "));
        QVERIFY(report.value(QStringLiteral("refresh_token")).isNull());
        QCOMPARE(report.value(QStringLiteral("gzip_header_hex")).toString(),
                 QStringLiteral("1f8b08000000000000"
                                "0b"));
        // The system's gzip reads what the program compressed, byte for byte.
        const QByteArray gz = HttpClientWorker::gzipCompress(expectedLog);
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-d"), QStringLiteral("-c")});
        gzip.write(gz);
        gzip.closeWriteChannel();
        QVERIFY(gzip.waitForFinished(10000));
        QCOMPARE(gzip.exitCode(), 0);
        QCOMPARE(gzip.readAllStandardOutput(), expectedLog);
        QCOMPARE(QByteArray::fromBase64(report.value(QStringLiteral("log_base64")).toString().toLatin1())
                     .left(expectedLog.size()),
                 expectedLog);
    }

    // On the first day the log is empty: at the default level nothing has been written yet.
    void diagnosticsWorkWithAnEmptyLog()
    {
        QtLog::getConf().setLogLevel(QtWarningMsg);
        QtLog::getConf().flush();
        QVERIFY(QFile::resize(QtLog::getConf().getLogFilePath(), 0));
        HttpClient client;
        QSignalSpy success(&client, &HttpClient::feedbackSuccess);
        QSignalSpy error(&client, &HttpClient::feedbackError);
        client.sendFeedback(QStringLiteral("first day"));
        const bool sent = success.wait(10000);
        QtLog::getConf().setLogLevel(QtDebugMsg);
        QVERIFY2(sent, qPrintable(error.isEmpty() ? QString() : error.last().at(0).toString()));
        const QJsonObject report = requestJson("GET", server.url(QStringLiteral("/dev/feedback")))
                                       .value(QStringLiteral("feedback"))
                                       .toArray()
                                       .last()
                                       .toObject();
        QCOMPARE(report.value(QStringLiteral("user_message")).toString(), QStringLiteral("first day"));
        QVERIFY(report.value(QStringLiteral("has_log")).toBool());
        QCOMPARE(report.value(QStringLiteral("log_size")).toInt(), 0);
    }

    void feedbackMessageRules()
    {
        UserInfo user;
        user.setCvUserId(QStringLiteral("carol"));
        user.setRefreshToken(QStringLiteral("refresh-carol"));
        user.save();
        HttpClient client;
        QSignalSpy success(&client, &HttpClient::feedbackSuccess);
        QSignalSpy error(&client, &HttpClient::feedbackError);
        for (const QString& comment : {QString(), QStringLiteral("  Your comments \n")}) {
            client.sendFeedback(comment);
            QVERIFY(success.wait(10000));
            const QJsonObject report = requestJson("GET", server.url(QStringLiteral("/dev/feedback")))
                                           .value(QStringLiteral("feedback"))
                                           .toArray()
                                           .last()
                                           .toObject();
            QVERIFY(report.value(QStringLiteral("user_message")).isNull());
            QCOMPARE(report.value(QStringLiteral("uuid")).toString(), QStringLiteral("carol"));
            QCOMPARE(report.value(QStringLiteral("refresh_token")).toString(), QStringLiteral("refresh-carol"));
        }
        behave(server, QStringLiteral("feedbackResult=FEEDBACK_SERVER_ERROR"));
        client.sendFeedback(QStringLiteral("x"));
        QVERIFY(error.wait(10000));
        QCOMPARE(error.last().at(0).toString(), QStringLiteral("Failed to send diagnostics: Server error"));
    }

    void aSilentServerFailsAfterTheTimeout()
    {
        HttpClient client(nullptr, 700);
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        behave(server, QStringLiteral("delay=loginStatus:20000"));
        QElapsedTimer timer;
        timer.start();
        client.checkLoginStatus();
        QVERIFY(failed.wait(30000));
        QVERIFY2(timer.elapsed() < 5 * 700, qPrintable(QString::number(timer.elapsed())));
        behave(server, QStringLiteral("reset=1"));
    }

    void selfSignedCertificateIsRefused()
    {
        DevServerProcess tls;
        QVERIFY2(tls.start({QStringLiteral("--tls-self-signed")}), qPrintable(tls.errorString()));
        useServer(tls, QStringLiteral("https"));
        HttpClient client;
        QSignalSpy failed(&client, &HttpClient::loginFailed);
        QSignalSpy pending(&client, &HttpClient::sigLoggingIn);
        client.checkLoginStatus();
        QVERIFY(failed.wait(10000));
        QCOMPARE(pending.count(), 0);
        useServer(server);
    }
};

LARKSPAN_TEST_MAIN(TestHttpClient, QCoreApplication)
#include "tst_httpclient.moc"
