#include "DevServerProcess.h"
#include "HttpProbe.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>

#include <zlib.h>

namespace {
// The client's way: the zlib stream of qCompress without its length, header and
// checksum, between a fixed gzip header and a CRC-32/length trailer.
QByteArray clientGzip(const QByteArray& data)
{
    QByteArray deflated = qCompress(data);
    deflated = deflated.mid(6, deflated.size() - 10);
    QByteArray out = QByteArray::fromHex("1f8b080000000000000b");
    out += deflated;
    const quint32 crc = quint32(crc32(0L, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
    const quint32 size = quint32(data.size());
    for (quint32 v : {crc, size})
        for (int i = 0; i < 4; ++i)
            out += char((v >> (8 * i)) & 0xff);
    return out;
}

QByteArray feedbackBody(const QJsonObject& members)
{
    return QJsonDocument(members).toJson(QJsonDocument::Compact);
}
} // namespace

// Diagnostics reports: comment and compressed log, with and without a logged-in user.
class TestDevServerFeedback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void logRoundTripsExactly();
    void reportWithoutUserOrLog();
    void brokenReportsAreRefused_data();
    void brokenReportsAreRefused();
    void serverErrorResultForClientTests();

private:
    QJsonArray reports();

    DevServerProcess _server;
    std::unique_ptr<HttpProbe> _http;
};

void TestDevServerFeedback::initTestCase()
{
    QVERIFY2(_server.start(), qPrintable(_server.errorString()));
    _http = std::make_unique<HttpProbe>(_server.baseUrl());
}

QJsonArray TestDevServerFeedback::reports()
{
    return _http->get(QStringLiteral("/dev/feedback")).json().value(QStringLiteral("feedback")).toArray();
}

void TestDevServerFeedback::logRoundTripsExactly()
{
    const QString refresh = _http->devLogin(QStringLiteral("alice")).value(QStringLiteral("refreshToken")).toString();
    const QString token = _http->accessTokenFor(refresh);
    // Text, then bytes that are not UTF-8, large enough for several inflate rounds.
    QByteArray log =
        QByteArrayLiteral("2024-03-01 10:00:00 [info] EventManager::pause indefinitely...\n").repeated(2000);
    for (int i = 0; i < 100000; ++i)
        log += char(QRandomGenerator::global()->bounded(256));
    const QByteArray gzip = clientGzip(log);

    const QString comment = QStringLiteral("  it <b>stopped</b> syncing  ");
    const HttpResult r =
        _http->postJson(QStringLiteral("/v2/feedback"),
                        feedbackBody({{QStringLiteral("uuid"), QStringLiteral("alice")},
                                      {QStringLiteral("user_message"), comment},
                                      {QStringLiteral("refresh_token"), refresh},
                                      {QStringLiteral("log_file_compressed"), QString::fromLatin1(gzip.toBase64())}}),
                        token);
    QCOMPARE(r.status, 200);
    QCOMPARE(r.json().value(QStringLiteral("result")).toString(), QStringLiteral("FEEDBACK_RECEIVED"));
    const int id = r.json().value(QStringLiteral("id")).toInt();

    QJsonObject stored;
    for (const QJsonValue& v : reports())
        if (v.toObject().value(QStringLiteral("id")).toInt() == id)
            stored = v.toObject();
    QCOMPARE(stored.value(QStringLiteral("user_message")).toString(), comment); // blanks kept
    QCOMPARE(stored.value(QStringLiteral("refresh_token")).toString(), refresh);
    QCOMPARE(stored.value(QStringLiteral("authorised_user")).toString(), QStringLiteral("alice"));
    QCOMPARE(stored.value(QStringLiteral("gzip_header_hex")).toString(), QStringLiteral("1f8b080000000000000b"));
    QCOMPARE(stored.value(QStringLiteral("log_compressed_size")).toInt(), gzip.size());
    QCOMPARE(QByteArray::fromBase64(stored.value(QStringLiteral("log_base64")).toString().toLatin1()), log);

    const HttpResult raw = _http->get(QStringLiteral("/dev/feedback/%1/log").arg(id));
    QCOMPARE(raw.status, 200);
    QCOMPARE(raw.body, log);
}

void TestDevServerFeedback::reportWithoutUserOrLog()
{
    // Not logged in: the header carries "Bearer " and nothing else.
    const HttpResult r =
        _http->postJson(QStringLiteral("/v2/feedback"),
                        feedbackBody({{QStringLiteral("uuid"), QStringLiteral("unknownUser")}}), QString());
    QCOMPARE(r.status, 200);
    const QJsonObject stored = reports().last().toObject();
    QCOMPARE(stored.value(QStringLiteral("uuid")).toString(), QStringLiteral("unknownUser"));
    QVERIFY(stored.value(QStringLiteral("user_message")).isNull());
    QVERIFY(stored.value(QStringLiteral("refresh_token")).isNull());
    QCOMPARE(stored.value(QStringLiteral("authorised_user")).toString(), QString());
    QCOMPARE(stored.value(QStringLiteral("has_log")).toBool(), false);
    QCOMPARE(_http->get(QStringLiteral("/dev/feedback/%1/log").arg(stored.value(QStringLiteral("id")).toInt())).status,
             404);
}

void TestDevServerFeedback::brokenReportsAreRefused_data()
{
    QTest::addColumn<QJsonObject>("members");
    QTest::addColumn<QString>("where");
    const QByteArray good = clientGzip(QByteArrayLiteral("a log line\n").repeated(50));
    QByteArray badCrc = good;
    badCrc[badCrc.size() - 6] = char(badCrc[badCrc.size() - 6] ^ 0x01);
    QByteArray badLength = good;
    badLength[badLength.size() - 1] = char(0x7f);
    const auto withLog = [](const QByteArray& bytes) {
        return QJsonObject {{QStringLiteral("uuid"), QStringLiteral("u")},
                            {QStringLiteral("log_file_compressed"), QString::fromLatin1(bytes.toBase64())}};
    };
    QTest::newRow("wrong CRC") << withLog(badCrc) << "log_file_compressed";
    QTest::newRow("wrong length") << withLog(badLength) << "log_file_compressed";
    QTest::newRow("truncated") << withLog(good.left(good.size() - 3)) << "log_file_compressed";
    QTest::newRow("trailing bytes") << withLog(good + "xyz") << "log_file_compressed";
    QTest::newRow("raw zlib") << withLog(qCompress(QByteArrayLiteral("log")).mid(4)) << "log_file_compressed";
    QTest::newRow("not base64") << QJsonObject {{QStringLiteral("uuid"), QStringLiteral("u")},
                                                {QStringLiteral("log_file_compressed"), QStringLiteral("**$$")}}
                                << "log_file_compressed";
    QTest::newRow("no uuid") << QJsonObject {{QStringLiteral("user_message"), QStringLiteral("hi")}} << "uuid";
    QTest::newRow("placeholder comment") << QJsonObject {{QStringLiteral("uuid"), QStringLiteral("u")},
                                                         {QStringLiteral("user_message"),
                                                          QStringLiteral(" Your comments ")}}
                                         << "user_message";
    QTest::newRow("empty comment sent") << QJsonObject {{QStringLiteral("uuid"), QStringLiteral("u")},
                                                        {QStringLiteral("user_message"), QString()}}
                                        << "user_message";
    QTest::newRow("unknown member") << QJsonObject {{QStringLiteral("uuid"), QStringLiteral("u")},
                                                    {QStringLiteral("log"), QStringLiteral("plain")}}
                                    << "log";
}

void TestDevServerFeedback::brokenReportsAreRefused()
{
    QFETCH(QJsonObject, members);
    QFETCH(QString, where);
    const int before = reports().size();
    const HttpResult r = _http->postJson(QStringLiteral("/v2/feedback"), feedbackBody(members), QString());
    QCOMPARE(r.status, 400);
    QCOMPARE(r.json().value(QStringLiteral("where")).toString(), where);
    QCOMPARE(reports().size(), before);
}

void TestDevServerFeedback::serverErrorResultForClientTests()
{
    QCOMPARE(
        _http->post(QStringLiteral("/dev/behaviour?feedbackResult=FEEDBACK_SERVER_ERROR"), {}, "text/plain").status,
        200);
    const HttpResult r = _http->postJson(QStringLiteral("/v2/feedback"),
                                         feedbackBody({{QStringLiteral("uuid"), QStringLiteral("u")}}), QString());
    QCOMPARE(r.status, 200);
    QCOMPARE(r.json().value(QStringLiteral("result")).toString(), QStringLiteral("FEEDBACK_SERVER_ERROR"));
    // Missing header is a client fault, not an anonymous report.
    QCOMPARE(
        _http->postJson(QStringLiteral("/v2/feedback"), feedbackBody({{QStringLiteral("uuid"), QStringLiteral("u")}}))
            .status,
        400);
}

LARKSPAN_TEST_MAIN(TestDevServerFeedback, QCoreApplication)
#include "tst_DevServerFeedback.moc"
