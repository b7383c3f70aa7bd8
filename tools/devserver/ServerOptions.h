#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// The command line of larkspan-devserver.
struct ServerOptions {
    QString bind = QStringLiteral("127.0.0.1");
    // Whoever reaches the port can log in as anybody: an address beyond this machine
    // needs the option that says so.
    bool insecureRemoteAccess = false;
    int port = 18080; // 0: pick a free port
    int crashPort = 6097; // the crash collector's own port; 0: pick a free port
    QString dataDir;
    int loginPollSecs = 60;
    qint64 tokenLifetimeSecs = 3600;

    QString tlsCert;
    QString tlsKey;
    bool tlsSelfSigned = false;

    QStringList failures; // endpoint:status
    QStringList delays; // endpoint:milliseconds
    QStringList late; // endpoint:milliseconds, after handling
    QStringList garbage; // endpoint
    QString exchangeResultState;
    bool omitExpiresIn = false;
    QString feedbackResult;

    bool quiet = false;
    // The /dev/* endpoints read anybody's activity and log anybody in: only on request.
    bool devEndpoints = false;

    bool useTls() const { return tlsSelfSigned || !tlsCert.isEmpty(); }

    // Exits the process with a usage message on a malformed command line.
    static ServerOptions parse(const QCoreApplication& app);
};
