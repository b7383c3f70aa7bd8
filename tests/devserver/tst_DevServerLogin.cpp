#include "DevServerProcess.h"
#include "HttpProbe.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

// Browser login, the login status long poll and the token exchange.
class TestDevServerLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void pendingStatusIsHeldThenEmpty();
    void loginDuringHeldPollAnswersAtOnce();
    void loginPageButtonLogsTheClientIn();
    void grantIsDeliveredOnce();
    void loginPageEscapesClientUuid();
    void tokenExchangeIssuesUsableToken();
    void tokenExchangeRefusesUnknownToken();
    void tokenExchangeChecksRequest_data();
    void tokenExchangeChecksRequest();
    void exchangeReplyVariantsForClientTests();

private:
    DevServerProcess _server;
    std::unique_ptr<HttpProbe> _http;
    static constexpr int kLifetime = 1234;
};

void TestDevServerLogin::initTestCase()
{
    QVERIFY2(_server.start({QStringLiteral("--login-poll-secs"), QStringLiteral("1"),
                            QStringLiteral("--token-lifetime-secs"), QString::number(kLifetime)}),
             qPrintable(_server.errorString()));
    _http = std::make_unique<HttpProbe>(_server.baseUrl());
}

void TestDevServerLogin::cleanupTestCase()
{
    QVERIFY(_server.stop());
    QCOMPARE(_server.exitStatus(), QProcess::NormalExit);
    QCOMPARE(_server.exitCode(), 0);
}

void TestDevServerLogin::pendingStatusIsHeldThenEmpty()
{
    const HttpResult r = _http->get(QStringLiteral("/console/loginStatus/{5d2f-nobody}"));
    QCOMPARE(r.error, QNetworkReply::NoError);
    QCOMPARE(r.status, 200);
    QVERIFY(r.body.isEmpty());
    // Held for the configured second, not answered at once and not much longer.
    QVERIFY2(r.elapsedMs >= 900 && r.elapsedMs < 5000, qPrintable(QString::number(r.elapsedMs)));
}

void TestDevServerLogin::loginDuringHeldPollAnswersAtOnce()
{
    // A server held for long, so an early answer can only come from the login.
    DevServerProcess server;
    QVERIFY2(server.start({QStringLiteral("--login-poll-secs"), QStringLiteral("30")}),
             qPrintable(server.errorString()));
    const QString uuid = QStringLiteral("{a7c1e0f2-1111-4222-8333-944455556666}");
    QNetworkAccessManager nam;
    QNetworkReply* poll = nam.get(QNetworkRequest(server.url(QStringLiteral("/console/loginStatus/") + uuid)));
    QSignalSpy finished(poll, &QNetworkReply::finished);
    QVERIFY(!finished.wait(500)); // held

    HttpProbe http(server.baseUrl());
    const QJsonObject grant = http.devLogin(QStringLiteral("alice"), uuid);
    QCOMPARE(grant.value(QStringLiteral("cvUserId")).toString(), QStringLiteral("alice"));
    // Well before the 30 seconds a held poll would otherwise take.
    QVERIFY(finished.count() == 1 || finished.wait(10000));
    QCOMPARE(poll->error(), QNetworkReply::NoError);
    const QJsonObject status = QJsonDocument::fromJson(poll->readAll()).object();
    QCOMPARE(status.value(QStringLiteral("cvUserId")).toString(), QStringLiteral("alice"));
    QCOMPARE(status.value(QStringLiteral("refreshToken")).toString(),
             grant.value(QStringLiteral("refreshToken")).toString());
    delete poll;
}

void TestDevServerLogin::loginPageButtonLogsTheClientIn()
{
    // A server that holds polls for long, so an answer without holding is plain to see.
    DevServerProcess server;
    QVERIFY2(server.start({QStringLiteral("--login-poll-secs"), QStringLiteral("30")}),
             qPrintable(server.errorString()));
    HttpProbe http(server.baseUrl());
    const QString uuid = QStringLiteral("{b0b0b0b0-2222-4333-8444-955566667777}");
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("lkCuid"), uuid);
    form.addQueryItem(QStringLiteral("user"), QStringLiteral("bob"));
    const HttpResult page = http.post(QStringLiteral("/console/login"), form.toString(QUrl::FullyEncoded).toUtf8(),
                                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(page.status, 200);
    QVERIFY(page.body.contains("bob"));

    const HttpResult status = http.get(QStringLiteral("/console/loginStatus/") + uuid);
    QCOMPARE(status.status, 200);
    QCOMPARE(status.json().value(QStringLiteral("cvUserId")).toString(), QStringLiteral("bob"));
    QVERIFY(status.json().value(QStringLiteral("refreshToken")).toString().startsWith(QStringLiteral("rt_")));
    // A waiting login is answered without holding.
    QVERIFY2(status.elapsedMs < 10000, qPrintable(QString::number(status.elapsedMs)));
}

void TestDevServerLogin::grantIsDeliveredOnce()
{
    const QString uuid = QStringLiteral("once-client");
    _http->devLogin(QStringLiteral("carol"), uuid);
    QCOMPARE(
        _http->get(QStringLiteral("/console/loginStatus/") + uuid).json().value(QStringLiteral("cvUserId")).toString(),
        QStringLiteral("carol"));
    // Opening the login page again later must not log in without the user.
    const HttpResult again = _http->get(QStringLiteral("/console/loginStatus/") + uuid);
    QCOMPARE(again.status, 200);
    QVERIFY(again.body.isEmpty());
    // A second login of the same client is delivered again, with a new refresh token.
    const QString second =
        _http->devLogin(QStringLiteral("carol"), uuid).value(QStringLiteral("refreshToken")).toString();
    QCOMPARE(_http->get(QStringLiteral("/console/loginStatus/") + uuid)
                 .json()
                 .value(QStringLiteral("refreshToken"))
                 .toString(),
             second);
}

void TestDevServerLogin::loginPageEscapesClientUuid()
{
    const HttpResult page = _http->get(QStringLiteral("/console/?lkCuid=%22%3E%3Cscript%3Ex()%3C/script%3E"));
    QCOMPARE(page.status, 200);
    QVERIFY(page.contentType.startsWith("text/html"));
    QVERIFY(!page.body.contains("<script>"));
    QVERIFY(page.body.contains("value=\"&quot;&gt;&lt;script&gt;x()&lt;/script&gt;\""));
    QVERIFY(page.body.contains("action=\"/console/login\""));

    const HttpResult noClient = _http->get(QStringLiteral("/console/"));
    QCOMPARE(noClient.status, 400);
}

void TestDevServerLogin::tokenExchangeIssuesUsableToken()
{
    const QString refresh = _http->devLogin(QStringLiteral("dave")).value(QStringLiteral("refreshToken")).toString();
    const QByteArray body =
        QJsonDocument(QJsonObject {{QStringLiteral("refresh_token"), refresh},
                                   {QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP")}})
            .toJson(QJsonDocument::Compact);
    const HttpResult r = _http->postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body);
    QCOMPARE(r.status, 200);
    const QJsonObject o = r.json();
    const QString token = o.value(QStringLiteral("idToken")).toString();
    QVERIFY(!token.isEmpty());
    QVERIFY(o.value(QStringLiteral("expiresInSecs")).isDouble());
    QCOMPARE(o.value(QStringLiteral("expiresInSecs")).toInt(), kLifetime);

    // Each exchange issues a token of its own; the token authorises an upload.
    const HttpResult again = _http->postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body);
    QVERIFY(again.json().value(QStringLiteral("idToken")).toString() != token);
    const HttpResult upload = _http->postJson(QStringLiteral("/v2/desktop/activity"), QByteArrayLiteral("{}"), token);
    QCOMPARE(upload.status, 400); // past authorisation, refused for its empty envelope
}

void TestDevServerLogin::tokenExchangeRefusesUnknownToken()
{
    for (const QString& refresh : {QStringLiteral("rt_unknown"), QString()}) {
        const QByteArray body =
            QJsonDocument(QJsonObject {{QStringLiteral("refresh_token"), refresh},
                                       {QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP")}})
                .toJson(QJsonDocument::Compact);
        const HttpResult r = _http->postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.json().value(QStringLiteral("idToken")).toString(), QString());
        QCOMPARE(r.json().value(QStringLiteral("resultState")).toString(), QStringLiteral("REFRESH_TOKEN_INVALID"));
    }
}

void TestDevServerLogin::tokenExchangeChecksRequest_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::newRow("other token type") << QByteArray("application/json")
                                      << QByteArray(R"({"refresh_token":"x","access_token_type":"ACCESS_WEB"})") << 400;
    QTest::newRow("type missing") << QByteArray("application/json") << QByteArray(R"({"refresh_token":"x"})") << 400;
    QTest::newRow("token not a string") << QByteArray("application/json")
                                        << QByteArray(R"({"refresh_token":5,"access_token_type":"ACCESS_LK_DESKTOP"})")
                                        << 400;
    QTest::newRow("extra member") << QByteArray(
        "application/json") << QByteArray(R"({"refresh_token":"x","access_token_type":"ACCESS_LK_DESKTOP","user":"a"})")
                                  << 400;
    QTest::newRow("not JSON") << QByteArray("application/json") << QByteArray("refresh_token=x") << 400;
    QTest::newRow("form content type") << QByteArray("application/x-www-form-urlencoded")
                                       << QByteArray(R"({"refresh_token":"x","access_token_type":"ACCESS_LK_DESKTOP"})")
                                       << 415;
}

void TestDevServerLogin::tokenExchangeChecksRequest()
{
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const HttpResult r = _http->post(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body, contentType);
    QCOMPARE(r.status, status);
    QVERIFY(!r.json().value(QStringLiteral("error")).toString().isEmpty());
}

void TestDevServerLogin::exchangeReplyVariantsForClientTests()
{
    const QString refresh = _http->devLogin(QStringLiteral("erin")).value(QStringLiteral("refreshToken")).toString();
    QCOMPARE(_http->post(QStringLiteral("/dev/behaviour?omitExpiresIn=1"), {}, "text/plain").status, 200);
    const QByteArray body =
        QJsonDocument(QJsonObject {{QStringLiteral("refresh_token"), refresh},
                                   {QStringLiteral("access_token_type"), QStringLiteral("ACCESS_LK_DESKTOP")}})
            .toJson(QJsonDocument::Compact);
    QJsonObject o = _http->postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body).json();
    QVERIFY(!o.value(QStringLiteral("idToken")).toString().isEmpty());
    QVERIFY(!o.contains(QStringLiteral("expiresInSecs")));

    QCOMPARE(
        _http
            ->post(QStringLiteral("/dev/behaviour?reset=1&exchangeResultState=EXCHANGE_SERVER_ERROR"), {}, "text/plain")
            .status,
        200);
    o = _http->postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body).json();
    QCOMPARE(o.value(QStringLiteral("idToken")).toString(), QString());
    QCOMPARE(o.value(QStringLiteral("resultState")).toString(), QStringLiteral("EXCHANGE_SERVER_ERROR"));

    // reset restores normal answers.
    QCOMPARE(_http->post(QStringLiteral("/dev/behaviour?reset=1"), {}, "text/plain").status, 200);
    o = _http->postJson(QStringLiteral("/customer/api/v1/user/refreshidtoken"), body).json();
    QCOMPARE(o.value(QStringLiteral("expiresInSecs")).toInt(), kLifetime);
}

LARKSPAN_TEST_MAIN(TestDevServerLogin, QCoreApplication)
#include "tst_DevServerLogin.moc"
