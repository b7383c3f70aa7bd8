// larkspan-devserver: the reference server the Larkspan client talks to in development
// and tests. Prints "listening on <url>" on standard output once it accepts connections.

#include "AccountStore.h"
#include "ActivityRoutes.h"
#include "ActivityStore.h"
#include "AuthRoutes.h"
#include "BoundedBody.h"
#include "CrashCollector.h"
#include "CrashStore.h"
#include "DevRoutes.h"
#include "FeedbackRoutes.h"
#include "FeedbackStore.h"
#include "HardenedServer.h"
#include "HelpPage.h"
#include "HttpText.h"
#include "Misbehaviour.h"
#include "RequestStats.h"
#include "ServerContext.h"
#include "ServerOptions.h"
#include "ShutdownSignals.h"
#include "SqliteDb.h"
#include "TlsCertificate.h"
#include "UpdateFeed.h"
#include "UpdateRoutes.h"
#include "WaitBoard.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

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
    for (const QString& rule : o.late)
        if (!m.addLateAnswer(rule, error))
            return false;
    for (const QString& rule : o.garbage)
        if (!m.addGarbage(rule, error))
            return false;
    m.setExchangeResultState(o.exchangeResultState);
    m.setOmitExpiresIn(o.omitExpiresIn);
    m.setFeedbackResult(o.feedbackResult);
    return true;
}

std::unique_ptr<HardenedServer> makeServer(const ServerOptions& o, QString* error)
{
    HardenedServer::Limits limits;
    limits.maxBodyBytes = BoundedBody::maxBytes;
    if (!o.useTls())
        return std::make_unique<HardenedServer>(limits);
    QString cert = o.tlsCert, key = o.tlsKey;
    if (o.tlsSelfSigned && !TlsCertificate::ensureSelfSigned(o.dataDir, &cert, &key, error))
        return nullptr;
    std::string reason;
    SSL_CTX* tls =
        HardenedServer::tlsContext(cert.toLocal8Bit().toStdString(), key.toLocal8Bit().toStdString(), &reason);
    if (!tls) {
        *error =
            QStringLiteral("cannot use certificate %1 with key %2: %3").arg(cert, key, QString::fromStdString(reason));
        return nullptr;
    }
    return std::make_unique<HardenedServer>(limits, tls);
}

// The data folder holds every user's refresh tokens and activity: the server's user alone
// may enter it. A shared folder such as /tmp (sticky) is refused rather than closed to others.
bool makePrivate(const QString& dataDir, QString* error)
{
    const QByteArray path = QFile::encodeName(dataDir);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = QStringLiteral("data folder %1 is not a folder").arg(dataDir);
        return false;
    }
    if ((st.st_mode & S_ISVTX) != 0 || st.st_uid != ::geteuid()) {
        *error = QStringLiteral("data folder %1 is shared or belongs to another user; give a folder of your own")
                     .arg(dataDir);
        return false;
    }
    if (::chmod(path.constData(), 0700) != 0) {
        *error = QStringLiteral("cannot make data folder %1 private").arg(dataDir);
        return false;
    }
    // Files an earlier version left readable to others.
    for (const QString& folder : {dataDir, QDir(dataDir).filePath(QStringLiteral("updates"))}) {
        for (const QFileInfo& entry :
             QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
            if (!entry.isSymLink())
                ::chmod(QFile::encodeName(entry.filePath()).constData(), entry.isDir() ? 0700 : 0600);
        }
    }
    return true;
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
} // namespace

int main(int argc, char* argv[])
{
    ShutdownSignals::block();
    // Whatever the server writes (database, certificates, update files) is its user's alone.
    ::umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("larkspan-devserver"));
    const ServerOptions options = ServerOptions::parse(app);

    QString error;
    if (!QDir().mkpath(options.dataDir))
        return fail(QStringLiteral("cannot create data folder %1").arg(options.dataDir));
    if (!makePrivate(options.dataDir, &error))
        return fail(error);
    const QString updatesDir = QDir(options.dataDir).filePath(QStringLiteral("updates"));
    QDir().mkpath(updatesDir);

    SqliteDb db;
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
    ServerContext ctx {options, accounts, activities, feedback, misbehaviour, board, stats, crashes};
    UpdateFeed updateFeed(QStringLiteral(LARKSPAN_DEVSERVER_UPDATE_PACKAGE),
                          QStringLiteral(LARKSPAN_DEVSERVER_UPDATE_KEY));

    std::unique_ptr<HardenedServer> server = makeServer(options, &error);
    if (!server)
        return fail(error);
    BoundedBody::guard(*server);
    AuthRoutes::install(*server, ctx);
    ActivityRoutes::install(*server, ctx);
    FeedbackRoutes::install(*server, ctx);
    if (options.devEndpoints) {
        DevRoutes::install(*server, ctx);
        UpdateRoutes::installDev(*server, updateFeed);
    }
    HelpPage::install(*server);
    // Files placed in <data>/updates by hand or by tests come first, then the generated feeds.
    server->set_mount_point("/updates", updatesDir.toStdString());
    UpdateRoutes::install(*server, ctx, updateFeed);
    if (!options.quiet)
        logRequests(*server);

    const std::string host = options.bind.toStdString();
    const int port = server->bindTo(host, options.port);
    if (port <= 0)
        return fail(QStringLiteral("cannot listen on %1:%2").arg(options.bind).arg(options.port));

    CrashCollector collector(crashes);
    if (!collector.start(options.bind, options.crashPort, &error))
        return fail(error);
    std::printf("crash collector listening on http://%s:%d/\n", host.c_str(), collector.port());
    std::printf("listening on %s://%s:%d\n", options.useTls() ? "https" : "http", host.c_str(), port);
    std::fflush(stdout);

    ShutdownSignals stopOnSignal([&](int) {
        board.stop();
        server->halt();
        collector.stop();
    });
    server->run();
    board.stop();
    std::fprintf(stderr, "larkspan-devserver: stopped\n");
    return 0;
}
