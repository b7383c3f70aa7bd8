#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

// Ed25519 signatures of update packages. The public key and the signature travel as
// Base64 (32 and 64 bytes once decoded).
class PackageSignature
{
    Q_DECLARE_TR_FUNCTIONS(PackageSignature)

public:
    // True only when signatureBase64 is a valid signature of data by publicKeyBase64; a
    // malformed key or signature is a failure with a reason, never a pass.
    static bool verify(const QByteArray& data, const QByteArray& signatureBase64, const QByteArray& publicKeyBase64,
                       QString* error);

private:
    PackageSignature() = delete;
};
