// Peak memory of the reference server under requests built to exhaust it: a feedback log
// that inflates to 1 GiB, a 200 MiB chunked body, a 1 GiB Content-Encoding bomb and a
// 256 MiB header line. Each runs against a fresh server; run by hand:
//
//     bin/bench_devserver_hostile [path/to/larkspan-devserver]

#include "HostileRequest.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Attack
{
    const char* name;
    QByteArray head;
    std::function<QByteArray()> body;
    bool chunked;
};

bool answersLoginPage(quint16 port)
{
    const auto r = HostileRequest::send(port, "GET /console/?lkCuid=probe HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                                        [] { return QByteArray(); }, false, 10000);
    return r.status == 200;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                     : QCoreApplication::applicationDirPath() + QStringLiteral("/larkspan-devserver");

    const QByteArray bomb = HostileRequest::gzipOfZeros(qint64(1) << 30);
    const QByteArray report = HostileRequest::feedbackWithLog(bomb);
    const QByteArray json = "Content-Type: application/json\r\nAuthorization: Bearer \r\nHost: x";
    const QList<Attack> attacks = {
        {"feedback log inflating to 1 GiB",
         "POST /v2/feedback HTTP/1.1\r\n" + json + "\r\nContent-Length: " + QByteArray::number(report.size()) + "\r\n\r\n",
         [report, done = false]() mutable { return std::exchange(done, true) ? QByteArray() : report; }, false},
        {"chunked body of 200 MiB",
         "POST /v2/feedback HTTP/1.1\r\n" + json + "\r\nTransfer-Encoding: chunked\r\n\r\n",
         HostileRequest::pieces(200 << 20, 1 << 20, "{\"uuid\":\"x\"}"), true},
        {"Content-Encoding gzip inflating to 1 GiB",
         "POST /v2/desktop/activity HTTP/1.1\r\n" + json + "\r\nContent-Encoding: gzip\r\nContent-Length: "
             + QByteArray::number(bomb.size()) + "\r\n\r\n",
         [bomb, done = false]() mutable { return std::exchange(done, true) ? QByteArray() : bomb; }, false},
        {"header line of 256 MiB",
         "GET /console/?lkCuid=x HTTP/1.1\r\nHost: x\r\nX-Filler: a",
         HostileRequest::pieces(256 << 20, 1 << 20, "a"), false},
    };

    std::printf("%-42s %7s %10s %12s %8s\n", "request", "status", "seconds", "peak RSS MiB", "alive");
    for (const Attack& attack : attacks) {
        QTemporaryDir data;
        QProcess server;
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start(program, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"), data.path(),
                               QStringLiteral("--quiet")});
        if (!server.waitForReadyRead(15000)) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
            return 1;
        }
        const auto m = QRegularExpression(QStringLiteral(":(\\d+)\\s*$")).match(QString::fromUtf8(server.readLine()));
        const quint16 port = quint16(m.captured(1).toUInt());
        const HostileRequest::Result r = HostileRequest::send(port, attack.head, attack.body, attack.chunked, 180000);
        const bool alive = server.state() == QProcess::Running && answersLoginPage(port);
        const qint64 peak = HostileRequest::peakRssKib(server.processId());
        std::printf("%-42s %7d %10.1f %12.1f %8s\n", attack.name, r.status, r.elapsedMs / 1000.0, peak / 1024.0,
                    alive ? "yes" : "no");
        std::fflush(stdout);
        server.terminate();
        server.waitForFinished(10000);
    }
    return 0;
}
