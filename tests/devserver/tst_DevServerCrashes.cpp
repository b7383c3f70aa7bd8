#include "DevServerProcess.h"
#include "HttpProbe.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QHttpMultiPart>
#include <QJsonArray>
#include <QTest>

namespace {
const QByteArray kToken = "a3f19c07d2e85b4160c9e7f2a8d35b106e4c9a27f1d08b53c6e2a9f47b10d862";

QHttpPart field(const QByteArray& name, const QByteArray& value)
{
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader, "form-data; name=\"" + name + "\"");
    part.setBody(value);
    return part;
}

QHttpPart file(const QByteArray& name, const QByteArray& content)
{
    QHttpPart part;
    part.setHeader(QNetworkRequest::ContentDispositionHeader, "form-data; name=\"" + name + "\"; filename=\"r.txt\"");
    part.setHeader(QNetworkRequest::ContentTypeHeader, "text/plain");
    part.setBody(content);
    return part;
}

// Posts a form to the collector; returns the HTTP status.
int postForm(const QString& url, const QList<QHttpPart>& parts)
{
    QNetworkAccessManager nam;
    auto* form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    for (const QHttpPart& part : parts)
        form->append(part);
    QNetworkReply* reply = nam.post(QNetworkRequest(QUrl(url)), form);
    form->setParent(reply);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}
} // namespace

// The crash collector beside the main server: what it takes, what it refuses.
class TestDevServerCrashes : public QObject
{
    Q_OBJECT
private slots:
    void collectsFormsAndRefusesStrangers()
    {
        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        QVERIFY(!server.crashUrl().isEmpty());
        QVERIFY(QUrl(server.crashUrl()).port() != server.port());

        const QByteArray report = "Larkspan crash report\n\xc3\xa9\n";
        QCOMPARE(postForm(server.crashUrl(),
                          {field("token", kToken), field("cvUserId", ""), field("lkVersion", "2.8.1"),
                           file("report", report)}),
                 200);
        // Wrong token, no report file, not a form: refused, nothing stored.
        QCOMPARE(postForm(server.crashUrl(), {field("token", "x"), file("report", report)}), 403);
        QCOMPARE(postForm(server.crashUrl(), {field("token", kToken)}), 400);
        QCOMPARE(HttpProbe(QUrl(server.crashUrl()))
                     .post(QStringLiteral("/"), "token=" + kToken, "application/x-www-form-urlencoded")
                     .status,
                 400);

        const QJsonArray crashes = HttpProbe(server.baseUrl())
                                       .get(QStringLiteral("/dev/crashes"))
                                       .json()
                                       .value(QStringLiteral("crashes"))
                                       .toArray();
        QCOMPARE(crashes.size(), 1);
        const QJsonObject crash = crashes.first().toObject();
        const QJsonObject fields = crash.value(QStringLiteral("fields")).toObject();
        QCOMPARE(fields.keys(), (QStringList {"cvUserId", "lkVersion", "token"}));
        QCOMPARE(fields.value(QStringLiteral("cvUserId")).toString(), QString());
        QCOMPARE(crash.value(QStringLiteral("report")).toString().toUtf8(), report);
        QCOMPARE(crash.value(QStringLiteral("file_name")).toString(), QStringLiteral("r.txt"));

        // Kept across a restart of the server.
        QVERIFY(server.stop());
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        QCOMPARE(HttpProbe(server.baseUrl())
                     .get(QStringLiteral("/dev/crashes"))
                     .json()
                     .value(QStringLiteral("crashes"))
                     .toArray()
                     .size(),
                 1);
    }
};

LARKSPAN_TEST_MAIN(TestDevServerCrashes, QCoreApplication)
#include "tst_DevServerCrashes.moc"
