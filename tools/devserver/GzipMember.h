#pragma once

#include <QByteArray>
#include <QString>

// Reads exactly one gzip member (RFC 1952), checking its CRC-32 and length trailer, as
// any standard gzip reader would; trailing bytes after the member are an error.
class GzipMember
{
public:
    static bool decompress(const QByteArray& gzip, QByteArray* out, QString* error);
};
