#pragma once

#include <QString>

// A self-signed certificate for 127.0.0.1 and localhost, made once with the openssl tool
// and kept in the data folder, so a test that trusts it keeps trusting it after a restart.
class TlsCertificate
{
public:
    static QString certFileName() { return QStringLiteral("devserver-cert.pem"); }
    static QString keyFileName() { return QStringLiteral("devserver-key.pem"); }

    // Fills the two paths; false with a reason when openssl failed.
    static bool ensureSelfSigned(const QString& dataDir, QString* certPath, QString* keyPath, QString* error);
};
