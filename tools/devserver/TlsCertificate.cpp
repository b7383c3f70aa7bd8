#include "TlsCertificate.h"

#include <QDir>
#include <QFile>
#include <QProcess>

bool TlsCertificate::ensureSelfSigned(const QString& dataDir, QString* certPath, QString* keyPath, QString* error)
{
    const QDir dir(dataDir);
    *certPath = dir.filePath(certFileName());
    *keyPath = dir.filePath(keyFileName());
    if (QFile::exists(*certPath) && QFile::exists(*keyPath))
        return true;

    // An EC key: made in milliseconds, where RSA would slow every test start.
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("825"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1/O=Larkspan devserver"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"), QStringLiteral("-keyout"), *keyPath,
                   QStringLiteral("-out"), *certPath});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl failed: %1 %2")
                     .arg(openssl.errorString(), QString::fromLocal8Bit(openssl.readAll()));
        QFile::remove(*certPath);
        QFile::remove(*keyPath);
        return false;
    }
    QFile::setPermissions(*keyPath, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}
