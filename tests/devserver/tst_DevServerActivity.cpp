#include "DevServerProcess.h"
#include "HttpProbe.h"
#include "TestHome.h"
#include "TimeLogJson.h"

#include <QCoreApplication>
#include <QTest>

// Activity upload (authorisation, checks, idempotent storing) and the console page.
class TestDevServerActivity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void uploadWithoutValidTokenIs401();
    void uploadIsStoredExactlyOnce();
    void sameLogsOfAnotherUserAreKeptApart();
    void invalidLogRejectsWholeRequest_data();
    void invalidLogRejectsWholeRequest();
    void consoleShowsDaysWithEscapedRows();
    void consoleRefusesUnknownLink();
    void storeSurvivesRestart();

private:
    QJsonArray activities(const QString& user);
    HttpResult upload(const QJsonArray& logs, const QString& token);

    DevServerProcess _server;
    std::unique_ptr<HttpProbe> _http;
    QString _refresh;
    QString _token;
};

void TestDevServerActivity::initTestCase()
{
    QVERIFY2(_server.start(), qPrintable(_server.errorString()));
    _http = std::make_unique<HttpProbe>(_server.baseUrl());
    _refresh = _http->devLogin(QStringLiteral("alice")).value(QStringLiteral("refreshToken")).toString();
    _token = _http->accessTokenFor(_refresh);
    QVERIFY(!_token.isEmpty());
}

QJsonArray TestDevServerActivity::activities(const QString& user)
{
    const HttpResult r = _http->get(QStringLiteral("/dev/activities?user=") + user);
    return r.json().value(QStringLiteral("activities")).toArray();
}

HttpResult TestDevServerActivity::upload(const QJsonArray& logs, const QString& token)
{
    return _http->postJson(QStringLiteral("/v2/desktop/activity"), uploadEnvelope(logs), token);
}

void TestDevServerActivity::uploadWithoutValidTokenIs401()
{
    const QJsonArray logs {timeLogJson(1, QStringLiteral("20240301080000"), QStringLiteral("20240301080500"))};
    const QString bob = _http->devLogin(QStringLiteral("bob")).value(QStringLiteral("refreshToken")).toString();
    const QString bobToken = _http->accessTokenFor(bob);
    QCOMPARE(_http->post(QStringLiteral("/dev/expire-access-tokens?user=bob"), {}, "text/plain")
                 .json()
                 .value(QStringLiteral("expired"))
                 .toInt(),
             1);

    const QList<std::optional<QString>> refused = {
        std::nullopt, // no header at all
        QString(), // "Bearer " with nothing after it
        QStringLiteral("at_made_up"),
        _refresh, // a refresh token is no access token
        bobToken, // expired
    };
    for (const auto& token : refused) {
        const HttpResult r = _http->postJson(QStringLiteral("/v2/desktop/activity"), uploadEnvelope(logs), token);
        QCOMPARE(r.status, 401);
        // What the client's reply handler keys its token renewal on.
        QCOMPARE(r.error, QNetworkReply::AuthenticationRequiredError);
    }
    QVERIFY(activities(QStringLiteral("bob")).isEmpty());
    QVERIFY(activities(QStringLiteral("alice")).isEmpty());
    // Expiring bob's tokens left alice's alone.
    QCOMPARE(upload(logs, _token).status, 200);
}

void TestDevServerActivity::uploadIsStoredExactlyOnce()
{
    const int before = activities(QStringLiteral("alice")).size();
    QJsonArray logs;
    for (int i = 0; i < 3; ++i)
        logs.append(timeLogJson(100 + i, QStringLiteral("20240302%1").arg(90000 + i * 1000, 6, 10, QLatin1Char('0')),
                                QStringLiteral("20240302%1").arg(90500 + i * 1000, 6, 10, QLatin1Char('0')),
                                QStringLiteral("app%1").arg(i), QStringLiteral("title %1").arg(i)));
    const HttpResult first = upload(logs, _token);
    QCOMPARE(first.status, 200);
    QCOMPARE(first.json().value(QStringLiteral("accepted_client_ids")).toArray(), (QJsonArray {100, 101, 102}));
    QCOMPARE(first.json().value(QStringLiteral("added")).toInt(), 3);

    // The reply was lost; the client sends the same request again.
    const HttpResult repeat = upload(logs, _token);
    QCOMPARE(repeat.status, 200);
    QCOMPARE(repeat.json().value(QStringLiteral("accepted_client_ids")).toArray(), (QJsonArray {100, 101, 102}));
    QCOMPARE(repeat.json().value(QStringLiteral("added")).toInt(), 0);
    QCOMPARE(repeat.json().value(QStringLiteral("duplicates")).toInt(), 3);

    const QJsonArray stored = activities(QStringLiteral("alice"));
    QCOMPARE(stored.size(), before + 3);
    // Every member arrives unchanged.
    for (const QJsonValue& v : stored) {
        QJsonObject o = v.toObject();
        if (o.value(QStringLiteral("client_id")).toInt() != 101)
            continue;
        o.remove(QStringLiteral("user"));
        o.remove(QStringLiteral("received_at_ms"));
        QCOMPARE(o, logs.at(1).toObject());
    }
}

void TestDevServerActivity::sameLogsOfAnotherUserAreKeptApart()
{
    const QString frank = _http->accessTokenFor(
        _http->devLogin(QStringLiteral("frank")).value(QStringLiteral("refreshToken")).toString());
    const QJsonArray logs {timeLogJson(100, QStringLiteral("20240302090000"), QStringLiteral("20240302090500"),
                                       QStringLiteral("app0"), QStringLiteral("title 0"))};
    QCOMPARE(upload(logs, frank).json().value(QStringLiteral("added")).toInt(), 1);
    QCOMPARE(activities(QStringLiteral("frank")).size(), 1);
}

void TestDevServerActivity::invalidLogRejectsWholeRequest_data()
{
    QTest::addColumn<QString>("member");
    QTest::addColumn<QJsonValue>("value"); // Undefined: leave the member out
    QTest::addColumn<QString>("where");
    const QString m = QStringLiteral("lk_client_activity[1].");
    QTest::newRow("missing meta_data") << "meta_data" << QJsonValue(QJsonValue::Undefined) << m + "meta_data";
    QTest::newRow("extra signature") << "signature" << QJsonValue("0123abcd") << m + "signature";
    QTest::newRow("client_id as text") << "client_id" << QJsonValue("42") << m + "client_id";
    QTest::newRow("client_id zero") << "client_id" << QJsonValue(0) << m + "client_id";
    QTest::newRow("start with separators") << "start_time" << QJsonValue("2024-03-03 10:00") << m + "start_time";
    QTest::newRow("impossible end") << "end_time" << QJsonValue("20240230100000") << m + "end_time";
    QTest::newRow("end before start") << "end_time" << QJsonValue("20240303095959") << m + "end_time";
    QTest::newRow("blank app_name") << "app_name" << QJsonValue("   ") << m + "app_name";
    QTest::newRow("empty title") << "activity_description" << QJsonValue("") << m + "activity_description";
    QTest::newRow("offset in seconds") << "tz_utc_offset" << QJsonValue(3600) << m + "tz_utc_offset";
    QTest::newRow("fractional count") << "active_count" << QJsonValue(2.5) << m + "active_count";
    QTest::newRow("count as text") << "active_count" << QJsonValue("3") << m + "active_count";
    QTest::newRow("meta_data null") << "meta_data" << QJsonValue(QJsonValue::Null) << m + "meta_data";
    QTest::newRow("empty machine") << "machine_address" << QJsonValue("") << m + "machine_address";
}

void TestDevServerActivity::invalidLogRejectsWholeRequest()
{
    QFETCH(QString, member);
    QFETCH(QJsonValue, value);
    QFETCH(QString, where);
    QJsonObject bad = timeLogJson(501, QStringLiteral("20240303100000"), QStringLiteral("20240303100500"));
    if (value.isUndefined())
        bad.remove(member);
    else
        bad.insert(member, value);
    const QJsonArray logs {timeLogJson(500, QStringLiteral("20240303090000"), QStringLiteral("20240303090500")), bad};
    const int before = activities(QStringLiteral("alice")).size();

    const HttpResult r = upload(logs, _token);
    QCOMPARE(r.status, 400);
    QCOMPARE(r.json().value(QStringLiteral("where")).toString(), where);
    // The valid first log was not stored either, so a corrected retry is not a duplicate.
    QCOMPARE(activities(QStringLiteral("alice")).size(), before);
}

void TestDevServerActivity::consoleShowsDaysWithEscapedRows()
{
    const QString grace = _http->devLogin(QStringLiteral("grace")).value(QStringLiteral("refreshToken")).toString();
    const QString token = _http->accessTokenFor(grace);
    // Winter in Berlin is UTC+1: 23:30 UTC on the 4th is already the 5th there.
    const QJsonArray logs {
        timeLogJson(1, QStringLiteral("20240104080000"), QStringLiteral("20240104080500"),
                    QStringLiteral("AT&T \"dialer\""), QStringLiteral("<script>alert(1)</script>")),
        timeLogJson(2, QStringLiteral("20240104233000"), QStringLiteral("20240105000000"), QStringLiteral("kate"),
                    QStringLiteral("late %1 night")),
    };
    QCOMPARE(upload(logs, token).status, 200);

    const HttpResult page = _http->get(QStringLiteral("/console/login/r/") + grace);
    QCOMPARE(page.status, 200);
    QVERIFY(page.contentType.startsWith("text/html"));
    const QString html = QString::fromUtf8(page.body);
    QVERIFY(!html.contains(QLatin1String("<script>")));
    QVERIFY(html.contains(QLatin1String("&lt;script&gt;alert(1)&lt;/script&gt;")));
    QVERIFY(html.contains(QLatin1String("AT&amp;T &quot;dialer&quot;")));
    QVERIFY(html.contains(QLatin1String("late %1 night")));
    // Local times and durations.
    QVERIFY(html.contains(QLatin1String("09:00:00")));
    QVERIFY(html.contains(QLatin1String("09:05:00")));
    QVERIFY(html.contains(QLatin1String("0:05:00")));
    QVERIFY(html.contains(QLatin1String("00:30:00")));
    QVERIFY(html.contains(QLatin1String("0:30:00")));
    // Two days, newest first.
    const int fifth = html.indexOf(QLatin1String("Friday, 2024-01-05"));
    const int fourth = html.indexOf(QLatin1String("Thursday, 2024-01-04"));
    QVERIFY(fifth > 0 && fourth > 0);
    QVERIFY(fifth < fourth);
    QVERIFY(html.indexOf(QLatin1String("late %1 night")) < fourth);
    // Nobody else's activity.
    QVERIFY(!html.contains(QLatin1String("app0")));
}

void TestDevServerActivity::consoleRefusesUnknownLink()
{
    QCOMPARE(_http->get(QStringLiteral("/console/login/r/rt_0000")).status, 404);
    QCOMPARE(_http->get(QStringLiteral("/console/login/r/") + _token).status, 404);
}

void TestDevServerActivity::storeSurvivesRestart()
{
    const int before = activities(QStringLiteral("alice")).size();
    QVERIFY(before > 0);
    QVERIFY(_server.stop());
    QVERIFY2(_server.start(), qPrintable(_server.errorString()));
    _http = std::make_unique<HttpProbe>(_server.baseUrl());
    QCOMPARE(activities(QStringLiteral("alice")).size(), before);
    // Tokens issued before the restart still count.
    const QJsonArray logs {timeLogJson(900, QStringLiteral("20240305080000"), QStringLiteral("20240305080100"))};
    QCOMPARE(upload(logs, _token).status, 200);
    QCOMPARE(upload(logs, _token).json().value(QStringLiteral("duplicates")).toInt(), 1);
}

LARKSPAN_TEST_MAIN(TestDevServerActivity, QCoreApplication)
#include "tst_DevServerActivity.moc"
