#include "DevServerProcess.h"
#include "HttpProbe.h"
#include "TestHome.h"
#include "TimeLogJson.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QTest>

// The switches that make the server misbehave, its transport (TLS, bind address) and
// its start and stop.
class TestDevServerFaults : public QObject
{
    Q_OBJECT

private slots:
    void fixedStatusPerEndpoint();
    void bodiesThatAreNotJson();
    void delayOutlastsClientAndShutdownIsPrompt();
    void lateAnswerComesAfterTheLogsAreStored();
    void revokedSessionRefusesItsTokensButNotANewLogin();
    void listensOnlyOnBindAddress();
    void selfSignedTls();
    void badCommandLineStopsAtOnce();

private:
    static QString tokenFor(HttpProbe& http, const QString& user)
    {
        return http.accessTokenFor(http.devLogin(user).value(QStringLiteral("refreshToken")).toString());
    }
    static QByteArray oneLog()
    {
        return uploadEnvelope({timeLogJson(1, QStringLiteral("20240301080000"), QStringLiteral("20240301080500"))});
    }
};

void TestDevServerFaults::fixedStatusPerEndpoint()
{
    DevServerProcess server;
    QVERIFY2(server.start({QStringLiteral("--fail"), QStringLiteral("activity:500"), QStringLiteral("--fail"),
                           QStringLiteral("loginStatus:404")}),
             qPrintable(server.errorString()));
    HttpProbe http(server.baseUrl());
    const QString token = tokenFor(http, QStringLiteral("alice")); // exchange unaffected
    QVERIFY(!token.isEmpty());

    HttpResult r = http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), token);
    QCOMPARE(r.status, 500);
    QCOMPARE(r.error, QNetworkReply::InternalServerError);
    r = http.get(QStringLiteral("/console/loginStatus/c1"));
    QCOMPARE(r.status, 404);
    QCOMPARE(r.error, QNetworkReply::ContentNotFoundError);

    // Failed requests are counted, and nothing of them was stored.
    const QJsonObject counts =
        http.get(QStringLiteral("/dev/stats")).json().value(QStringLiteral("requests")).toObject();
    QCOMPARE(counts.value(QStringLiteral("activity")).toInt(), 1);
    QCOMPARE(counts.value(QStringLiteral("refreshidtoken")).toInt(), 1);
    QVERIFY(http.get(QStringLiteral("/dev/activities")).json().value(QStringLiteral("activities")).toArray().isEmpty());

    // Switched at run time: the failure goes, another endpoint's comes.
    QCOMPARE(http.post(QStringLiteral("/dev/behaviour?reset=1&fail=feedback:503"), {}, "text/plain").status, 200);
    QCOMPARE(http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), token).status, 200);
    QCOMPARE(http.postJson(QStringLiteral("/v2/feedback"), QByteArrayLiteral(R"({"uuid":"u"})"), token).status, 503);
    QCOMPARE(http.post(QStringLiteral("/dev/behaviour?fail=nowhere:500"), {}, "text/plain").status, 400);
}

void TestDevServerFaults::bodiesThatAreNotJson()
{
    DevServerProcess server;
    QVERIFY2(server.start({QStringLiteral("--garbage"), QStringLiteral("loginStatus"),
                           QStringLiteral("--login-poll-secs"), QStringLiteral("0")}),
             qPrintable(server.errorString()));
    HttpProbe http(server.baseUrl());
    // Pending would be an empty body; the switch answers 200 with markup instead.
    HttpResult r = http.get(QStringLiteral("/console/loginStatus/c1"));
    QCOMPARE(r.status, 200);
    QVERIFY(!r.body.isEmpty());
    QVERIFY(!r.isJsonObject());

    QCOMPARE(http.post(QStringLiteral("/dev/behaviour?garbage=refreshidtoken"), {}, "text/plain").status, 200);
    const QString refresh = http.devLogin(QStringLiteral("bob")).value(QStringLiteral("refreshToken")).toString();
    r = http.postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"),
                      QByteArrayLiteral(R"({"access_token_type":"ACCESS_LK_DESKTOP","refresh_token":")")
                          + refresh.toUtf8() + "\"}");
    QCOMPARE(r.status, 200);
    QVERIFY(!r.isJsonObject());
}

void TestDevServerFaults::delayOutlastsClientAndShutdownIsPrompt()
{
    DevServerProcess server;
    QVERIFY2(server.start({QStringLiteral("--delay"), QStringLiteral("activity:60000")}),
             qPrintable(server.errorString()));
    HttpProbe http(server.baseUrl());
    const QString token = tokenFor(http, QStringLiteral("carol"));

    // A client that gives up after one second sees its request cancelled, not answered.
    const HttpResult r = http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), token, 1000);
    QCOMPARE(r.error, QNetworkReply::OperationCanceledError);
    QCOMPARE(r.status, 0);
    QVERIFY(r.elapsedMs < 5000);

    // With a request still held, SIGTERM ends the server at once and cleanly.
    QNetworkAccessManager nam;
    QNetworkRequest req(server.url(QStringLiteral("/v2/desktop/activity")));
    req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    req.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    QNetworkReply* held = nam.post(req, oneLog());
    QSignalSpy finished(held, &QNetworkReply::finished);
    QVERIFY(!finished.wait(700));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(server.stop(5000));
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(server.exitStatus(), QProcess::NormalExit);
    QCOMPARE(server.exitCode(), 0);
    QVERIFY(finished.count() == 1 || finished.wait(3000));
    QVERIFY(held->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200);
    delete held;
}

// The answer to an upload is lost after the server stored it: a client that retries the
// same logs is told they are accepted, and nothing is stored twice.
void TestDevServerFaults::lateAnswerComesAfterTheLogsAreStored()
{
    DevServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    HttpProbe http(server.baseUrl());
    const QString token = tokenFor(http, QStringLiteral("dora"));
    QCOMPARE(http.post(QStringLiteral("/dev/behaviour?late=activity:60000"), {}, "text/plain").status, 200);

    const HttpResult gaveUp = http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), token, 1500);
    QCOMPARE(gaveUp.status, 0);
    QCOMPARE(http.get(QStringLiteral("/dev/activities?user=dora"))
                 .json()
                 .value(QStringLiteral("activities"))
                 .toArray()
                 .size(),
             1);

    QCOMPARE(http.post(QStringLiteral("/dev/behaviour?reset=1"), {}, "text/plain").status, 200);
    const HttpResult retried = http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), token);
    QCOMPARE(retried.status, 200);
    QCOMPARE(retried.json().value(QStringLiteral("duplicates")).toInt(), 1);
    QCOMPARE(http.get(QStringLiteral("/dev/activities?user=dora"))
                 .json()
                 .value(QStringLiteral("activities"))
                 .toArray()
                 .size(),
             1);
}

// A password changed elsewhere: the user's tokens are refused from then on, another
// user's are not, and a new login of the same user works again.
void TestDevServerFaults::revokedSessionRefusesItsTokensButNotANewLogin()
{
    DevServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    HttpProbe http(server.baseUrl());
    const QString refresh = http.devLogin(QStringLiteral("eve")).value(QStringLiteral("refreshToken")).toString();
    const QString access = http.accessTokenFor(refresh);
    const QString other = tokenFor(http, QStringLiteral("finn"));
    QCOMPARE(http.post(QStringLiteral("/dev/revoke-sessions?user=eve"), {}, "text/plain")
                 .json()
                 .value(QStringLiteral("revoked"))
                 .toInt(),
             1);

    QCOMPARE(http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), access).status, 401);
    QVERIFY(http.accessTokenFor(refresh).isEmpty());
    QCOMPARE(http.postJson(QStringLiteral("/v2/desktop/activity"), oneLog(), other).status, 200);
    QVERIFY(!tokenFor(http, QStringLiteral("eve")).isEmpty());
}

void TestDevServerFaults::listensOnlyOnBindAddress()
{
    DevServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QCOMPARE(server.baseUrl().host(), QStringLiteral("127.0.0.1"));
    QCOMPARE(HttpProbe(server.baseUrl()).get(QStringLiteral("/dev/stats")).status, 200);
    // Another address of this very machine is refused.
    QUrl other = server.baseUrl();
    other.setHost(QStringLiteral("127.0.0.2"));
    const HttpResult r = HttpProbe(other).get(QStringLiteral("/dev/stats"), 5000);
    QCOMPARE(r.error, QNetworkReply::ConnectionRefusedError);
}

void TestDevServerFaults::selfSignedTls()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");
    DevServerProcess server;
    QVERIFY2(server.start({QStringLiteral("--tls-self-signed")}), qPrintable(server.errorString()));
    QCOMPARE(server.baseUrl().scheme(), QStringLiteral("https"));

    // As the client does: certificates are verified, so a self-signed one fails.
    HttpProbe strict(server.baseUrl());
    const HttpResult refused = strict.get(QStringLiteral("/dev/stats"));
    QCOMPARE(refused.error, QNetworkReply::SslHandshakeFailedError);

    // Trusting exactly the generated certificate makes the same request work.
    const QString certPath = server.dataDir() + QStringLiteral("/devserver-cert.pem");
    const QList<QSslCertificate> certs = QSslCertificate::fromPath(certPath);
    QCOMPARE(certs.size(), 1);
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.setCaCertificates({certs.first()});
    HttpProbe trusted(server.baseUrl());
    trusted.setSslConfiguration(trusting);
    QCOMPARE(trusted.get(QStringLiteral("/dev/stats")).status, 200);

    // A restart keeps the certificate that clients were told to trust.
    QVERIFY(server.stop());
    QVERIFY2(server.start({QStringLiteral("--tls-self-signed")}), qPrintable(server.errorString()));
    QCOMPARE(QSslCertificate::fromPath(certPath).value(0), certs.first());
    HttpProbe again(server.baseUrl());
    again.setSslConfiguration(trusting);
    QCOMPARE(again.get(QStringLiteral("/dev/stats")).status, 200);
}

void TestDevServerFaults::badCommandLineStopsAtOnce()
{
    DevServerProcess server;
    QVERIFY(!server.start({QStringLiteral("--fail"), QStringLiteral("nowhere:500")}, 5000));
    QCOMPARE(server.exitCode(), 2);
    QVERIFY(!server.start({QStringLiteral("--tls-cert"), QStringLiteral("/nonexistent.pem")}, 5000));
    QCOMPARE(server.exitCode(), 2);

    // A port that is taken is reported, not silently replaced.
    DevServerProcess first;
    QVERIFY2(first.start(), qPrintable(first.errorString()));
    QVERIFY(!server.start({QStringLiteral("--port"), QString::number(first.port())}, 5000));
    QCOMPARE(server.exitCode(), 1);
}

LARKSPAN_TEST_MAIN(TestDevServerFaults, QCoreApplication)
#include "tst_DevServerFaults.moc"
