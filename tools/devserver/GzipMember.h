#pragma once

#include <QByteArray>
#include <QString>

// Reads exactly one gzip member (RFC 1952), checking its CRC-32 and length trailer, as
// any standard gzip reader would; trailing bytes after the member are an error.
class GzipMember
{
public:
    enum class Outcome { Ok, Invalid, TooLarge };

    // Inflates in bounded steps and stops as soon as the output would pass maxSize, so a
    // small member that inflates to gigabytes costs no more than maxSize.
    static Outcome decompress(const QByteArray& gzip, qint64 maxSize, QByteArray* out, QString* error);
};
