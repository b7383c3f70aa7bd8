#pragma once

#include <QCryptographicHash>
#include <QString>

// Shared by the two signed records. Kept out of the public headers on purpose.
namespace RecordSignature {

// MD5 of the UTF-8 text as 32 lower-case hex digits.
inline QString md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

} // namespace RecordSignature
