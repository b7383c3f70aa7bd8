// larkspan-devserver: the reference server the Larkspan client talks to in development
// and tests. Prints "listening on <url>" on standard output once it accepts connections.

#include "AccountStore.h"
#include "ActivityRoutes.h"
#include "ActivityStore.h"
#include "AuthRoutes.h"
#include "CrashCollector.h"
#include "CrashStore.h"
#include "DevRoutes.h"
#include "FeedbackRoutes.h"
#include "FeedbackStore.h"
#include "HttpText.h"
#include "Misbehaviour.h"
#include "RequestStats.h"
#include "ServerContext.h"
#include "ServerOptions.h"
#include "ShutdownSignals.h"
#include "SqliteDb.h"
#include "TlsCertificate.h"
#include "WaitBoard.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

namespace {
// Long polls and deliberate delays each hold a worker, so the pool is far larger than
// the handful of connections one client opens.
constexpr size_t kWorkerThreads = 32;
// A diagnostics report carries the whole log (rolled over at 10 MiB) compressed and in
// Base64; anything far beyond that is not a client of ours.
constexpr size_t kMaxBodyBytes = 64u * 1024 * 1024;

// Exit codes: 2 for a malformed command line (as the option parser uses), 1 for failing
// to start.
int fail(const QString& message, int exitCode = 1)
{
    std::fprintf(stderr, "larkspan-devserver: %s\n", qPrintable(message));
    return exitCode;
}

bool applySwitches(const ServerOptions& o, Misbehaviour& m, QString* error)
{
    for (const QString& rule : o.failures)
        if (!m.addFailure(rule, error))
            return false;
    for (const QString& rule : o.delays)
        if (!m.addDelay(rule, error))
            return false;
    for (const QString& rule : o.garbage)
        if (!m.addGarbage(rule, error))
            return false;
    m.setExchangeResultState(o.exchangeResultState);
    m.setOmitExpiresIn(o.omitExpiresIn);
    m.setFeedbackResult(o.feedbackResult);
    return true;
}

std::unique_ptr<httplib::Server> makeServer(const ServerOptions& o, QString* error)
{
    if (!o.useTls())
        return std::make_unique<httplib::Server>();
    QString cert = o.tlsCert, key = o.tlsKey;
    if (o.tlsSelfSigned && !TlsCertificate::ensureSelfSigned(o.dataDir, &cert, &key, error))
        return nullptr;
    auto server = std::make_unique<httplib::SSLServer>(cert.toLocal8Bit().constData(),
                                                       key.toLocal8Bit().constData());
    if (!server->is_valid()) {
        *error = QStringLiteral("cannot use certificate %1 with key %2").arg(cert, key);
        return nullptr;
    }
    return server;
}

void logRequests(httplib::Server& server)
{
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        // The console link carries a refresh token.
        static const QRegularExpression consoleLink(QStringLiteral("^(/console/login/r/)(.+)$"));
        QString path = QString::fromStdString(req.path);
        const auto m = consoleLink.match(path);
        if (m.hasMatch())
            path = m.captured(1) + HttpText::shortToken(m.captured(2));
        std::fprintf(stderr, "%s %s -> %d\n", req.method.c_str(), qPrintable(path), res.status);
    });
}
}

int main(int argc, char* argv[])
{
    ShutdownSignals::block();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("larkspan-devserver"));
    const ServerOptions options = ServerOptions::parse(app);

    if (!QDir().mkpath(options.dataDir))
        return fail(QStringLiteral("cannot create data folder %1").arg(options.dataDir));
    const QString updatesDir = QDir(options.dataDir).filePath(QStringLiteral("updates"));
    QDir().mkpath(updatesDir);

    SqliteDb db;
    QString error;
    if (!db.open(QDir(options.dataDir).filePath(QStringLiteral("devserver.db")), &error))
        return fail(QStringLiteral("cannot open database: %1").arg(error));
    AccountStore accounts(db);
    ActivityStore activities(db);
    FeedbackStore feedback(db);
    CrashStore crashes(db);
    if (!crashes.open(&error))
        return fail(QStringLiteral("cannot open database: %1").arg(error));
    Misbehaviour misbehaviour;
    if (!applySwitches(options, misbehaviour, &error))
        return fail(error, 2);
    WaitBoard board;
    RequestStats stats;
    ServerContext ctx{options, accounts, activities, feedback, misbehaviour, board, stats, crashes};

    std::unique_ptr<httplib::Server> server = makeServer(options, &error);
    if (!server)
        return fail(error);
    server->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server->set_payload_max_length(kMaxBodyBytes);
    // The library's default adds SO_REUSEPORT, which would let a second server share the
    // port and quietly take half of the client's requests.
    server->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    AuthRoutes::install(*server, ctx);
    ActivityRoutes::install(*server, ctx);
    FeedbackRoutes::install(*server, ctx);
    DevRoutes::install(*server, ctx);
    // Appcast files for the updater, placed there by hand or by tests.
    server->set_mount_point("/updates", updatesDir.toStdString());
    if (!options.quiet)
        logRequests(*server);

    const std::string host = options.bind.toStdString();
    int port = options.port;
    if (port == 0)
        port = server->bind_to_any_port(host);
    else if (!server->bind_to_port(host, port))
        port = -1;
    if (port <= 0)
        return fail(QStringLiteral("cannot listen on %1:%2").arg(options.bind).arg(options.port));

    CrashCollector collector(crashes);
    if (!collector.start(options.bind, options.crashPort, &error))
        return fail(error);
    std::printf("crash collector listening on http://%s:%d/\n", host.c_str(), collector.port());
    std::printf("listening on %s://%s:%d\n", options.useTls() ? "https" : "http", host.c_str(),
                port);
    std::fflush(stdout);

    ShutdownSignals stopOnSignal([&](int) {
        board.stop();
        server->stop();
        collector.stop();
    });
    server->listen_after_bind();
    board.stop();
    std::fprintf(stderr, "larkspan-devserver: stopped\n");
    return 0;
}
