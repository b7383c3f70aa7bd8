// Peak memory of the reference server under requests built to exhaust it, each against a
// fresh server. Run by hand: bin/bench_devserver_hostile [path/to/larkspan-devserver]

#include "HostileRequest.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace HostileRequest;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QCoreApplication::applicationDirPath() + QStringLiteral("/larkspan-devserver");
    const QByteArray bomb = gzipOfZeros(qint64(1) << 30);
    const QByteArray report = feedbackWithLog(bomb);
    const QByteArray post =
        "POST %1 HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\nAuthorization: Bearer \r\n";
    auto once = [](const QByteArray& body) {
        return [body, done = false]() mutable { return std::exchange(done, true) ? QByteArray() : body; };
    };
    struct Attack {
        const char* name;
        QByteArray head;
        std::function<QByteArray()> body;
        bool chunked;
    };
    const QList<Attack> attacks = {
        {"feedback log inflating to 1 GiB",
         QByteArray(post).replace("%1", "/v2/feedback") + "Content-Length: " + QByteArray::number(report.size())
             + "\r\n\r\n",
         once(report), false},
        {"chunked body of 200 MiB",
         QByteArray(post).replace("%1", "/v2/feedback") + "Transfer-Encoding: chunked\r\n\r\n", pieces(200 << 20, 'x'),
         true},
        {"Content-Encoding gzip inflating to 1 GiB",
         QByteArray(post).replace("%1", "/v2/desktop/activity")
             + "Content-Encoding: gzip\r\nContent-Length: " + QByteArray::number(bomb.size()) + "\r\n\r\n",
         once(bomb), false},
        {"header line of 256 MiB", "GET /console/?lkCuid=x HTTP/1.1\r\nX-Filler: ", pieces(256 << 20, 'a'), false},
    };

    std::printf("%-42s %7s %8s %13s %6s\n", "request", "status", "seconds", "peak RSS MiB", "alive");
    for (const Attack& attack : attacks) {
        QTemporaryDir data;
        QProcess server;
        server.start(program,
                     {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), data.path(),
                      QStringLiteral("--quiet")});
        if (!server.waitForReadyRead(15000))
            return 1;
        const quint16 port = quint16(server.readLine().trimmed().split(':').last().toUInt());
        const Result r = send(port, attack.head, attack.body, attack.chunked, 180000);
        const bool alive =
            send(
                port, "GET /console/?lkCuid=x HTTP/1.1\r\n\r\n", [] { return QByteArray(); }, false, 10000)
                .status
            == 200;
        std::printf("%-42s %7d %8.1f %13.1f %6s\n", attack.name, r.status, r.elapsedMs / 1000.0,
                    peakRssKib(server.processId()) / 1024.0, alive ? "yes" : "no");
        server.terminate();
        server.waitForFinished(10000);
    }
    return 0;
}
