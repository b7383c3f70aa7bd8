#include "ServerOptions.h"

#include "Misbehaviour.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

#include <algorithm>

#include <arpa/inet.h>

namespace {
[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "larkspan-devserver: %s\n", qPrintable(message));
    std::exit(2);
}

// 127.0.0.0/8, ::1 and the name localhost; anything else can be reached from elsewhere.
bool isLoopback(const QString& address)
{
    if (address == QLatin1String("localhost"))
        return true;
    const QByteArray text = address.toLatin1();
    unsigned char ip[16];
    if (::inet_pton(AF_INET, text.constData(), ip) == 1)
        return ip[0] == 127;
    static const unsigned char loopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return ::inet_pton(AF_INET6, text.constData(), ip) == 1 && std::equal(ip, ip + 16, loopback6);
}

int toInt(const QString& text, const QString& option, int min, int max)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        fail(QStringLiteral("--%1 expects a number from %2 to %3, got \"%4\"").arg(option).arg(min).arg(max).arg(text));
    return v;
}
} // namespace

ServerOptions ServerOptions::parse(const QCoreApplication& app)
{
    const QString endpoints = Misbehaviour::endpoints().join(QStringLiteral(", ")) + QStringLiteral(", all");
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Reference server for the Larkspan client: login, token exchange, activity upload, "
                       "feedback and the web console, on loopback by default.\nEndpoints for the "
                       "misbehaviour switches: ")
        + endpoints);
    p.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on; 0 picks a free one (default 18080)."),
                                  QStringLiteral("port"), QStringLiteral("18080"));
    const QCommandLineOption crashPort(
        QStringLiteral("crash-port"),
        QStringLiteral(
            "Port of the crash report collector (plain HTTP, path \"/\"); 0 picks a free one (default 6097)."),
        QStringLiteral("port"), QStringLiteral("6097"));
    const QCommandLineOption bind(QStringLiteral("bind"),
                                  QStringLiteral("Address to listen on (default 127.0.0.1); one that is not loopback "
                                                 "needs --insecure-remote-access."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption insecure(
        QStringLiteral("insecure-remote-access"),
        QStringLiteral("Allow --bind to an address other machines can reach. The server has no "
                       "passwords: anyone who reaches it can log in as any user, read their "
                       "activity and upload as them. For a trusted test network only."));
    const QCommandLineOption data(QStringLiteral("data"),
                                  QStringLiteral("Folder for the database and generated certificates."),
                                  QStringLiteral("folder"));
    const QCommandLineOption poll(
        QStringLiteral("login-poll-secs"),
        QStringLiteral("How long a login status request is held while nobody has logged in (default 60)."),
        QStringLiteral("secs"), QStringLiteral("60"));
    const QCommandLineOption lifetime(QStringLiteral("token-lifetime-secs"),
                                      QStringLiteral("Lifetime of issued access tokens (default 3600)."),
                                      QStringLiteral("secs"), QStringLiteral("3600"));
    const QCommandLineOption cert(QStringLiteral("tls-cert"),
                                  QStringLiteral("Serve HTTPS with this PEM certificate (needs --tls-key)."),
                                  QStringLiteral("file"));
    const QCommandLineOption key(QStringLiteral("tls-key"), QStringLiteral("PEM private key for --tls-cert."),
                                 QStringLiteral("file"));
    const QCommandLineOption selfSigned(
        QStringLiteral("tls-self-signed"),
        QStringLiteral("Serve HTTPS with a self-signed certificate for 127.0.0.1/localhost, "
                       "made with openssl into the data folder (devserver-cert.pem) unless there already."));
    const QCommandLineOption failOpt(
        QStringLiteral("fail"),
        QStringLiteral("Answer every request of an endpoint with this status, e.g. activity:500. Repeatable."),
        QStringLiteral("endpoint:status"));
    const QCommandLineOption delayOpt(
        QStringLiteral("delay"),
        QStringLiteral("Wait this long before answering an endpoint, e.g. activity:130000. Repeatable."),
        QStringLiteral("endpoint:ms"));
    const QCommandLineOption lateOpt(
        QStringLiteral("late"),
        QStringLiteral("Handle a request of an endpoint (store what it brings), then wait this long "
                       "before answering, e.g. activity:20000. Repeatable."),
        QStringLiteral("endpoint:ms"));
    const QCommandLineOption garbageOpt(
        QStringLiteral("garbage"),
        QStringLiteral("Answer an endpoint with status 200 and a body that is not JSON. Repeatable."),
        QStringLiteral("endpoint"));
    const QCommandLineOption resultState(
        QStringLiteral("exchange-result-state"),
        QStringLiteral("Token exchange answers without \"idToken\" and with this \"resultState\"."),
        QStringLiteral("state"));
    const QCommandLineOption omitExpires(QStringLiteral("omit-expires-in"),
                                         QStringLiteral("Token exchange answers without \"expiresInSecs\"."));
    const QCommandLineOption feedback(QStringLiteral("feedback-result"),
                                      QStringLiteral("\"result\" of accepted feedback (default FEEDBACK_RECEIVED)."),
                                      QStringLiteral("text"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Do not log requests to standard error."));
    const QCommandLineOption dev(
        QStringLiteral("dev-endpoints"),
        QStringLiteral("Serve the /dev/* endpoints for tests and development: they read "
                       "everybody's activity and log anybody in, so never where others can reach the port."));
    p.addOptions({port, crashPort, bind, insecure, data, poll, lifetime, cert, key, selfSigned, failOpt, delayOpt,
                  lateOpt, garbageOpt, resultState, omitExpires, feedback, quiet, dev});
    p.process(app);
    if (!p.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first()));

    ServerOptions o;
    o.port = toInt(p.value(port), QStringLiteral("port"), 0, 65535);
    o.crashPort = toInt(p.value(crashPort), QStringLiteral("crash-port"), 0, 65535);
    o.bind = p.value(bind);
    o.insecureRemoteAccess = p.isSet(insecure);
    if (!isLoopback(o.bind) && !o.insecureRemoteAccess)
        fail(QStringLiteral("--bind %1 lets other machines log in as any user; this server is a local demo "
                            "and test fixture. Add --insecure-remote-access if that is really meant.")
                 .arg(o.bind));
    o.dataDir = p.value(data);
    if (o.dataDir.isEmpty())
        o.dataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/larkspan-devserver");
    o.loginPollSecs = toInt(p.value(poll), QStringLiteral("login-poll-secs"), 0, 3600);
    o.tokenLifetimeSecs = toInt(p.value(lifetime), QStringLiteral("token-lifetime-secs"), 0, 10 * 365 * 86400);
    o.tlsCert = p.value(cert);
    o.tlsKey = p.value(key);
    o.tlsSelfSigned = p.isSet(selfSigned);
    if (o.tlsCert.isEmpty() != o.tlsKey.isEmpty())
        fail(QStringLiteral("--tls-cert and --tls-key go together"));
    if (o.tlsSelfSigned && !o.tlsCert.isEmpty())
        fail(QStringLiteral("--tls-self-signed replaces --tls-cert/--tls-key"));
    o.failures = p.values(failOpt);
    o.delays = p.values(delayOpt);
    o.late = p.values(lateOpt);
    o.garbage = p.values(garbageOpt);
    o.exchangeResultState = p.value(resultState);
    o.omitExpiresIn = p.isSet(omitExpires);
    o.feedbackResult = p.value(feedback);
    o.quiet = p.isSet(quiet);
    o.devEndpoints = p.isSet(dev);
    return o;
}
