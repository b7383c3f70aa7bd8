#include "GzipMember.h"

#include <zlib.h>

bool GzipMember::decompress(const QByteArray& gzip, QByteArray* out, QString* error)
{
    if (gzip.size() < 18 || quint8(gzip[0]) != 0x1f || quint8(gzip[1]) != 0x8b) {
        *error = QStringLiteral("not gzip data");
        return false;
    }
    z_stream zs{};
    // 16 + MAX_WBITS: gzip wrapper only, zlib checks header, CRC-32 and ISIZE.
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) {
        *error = QStringLiteral("zlib init failed");
        return false;
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.constData()));
    zs.avail_in = uInt(gzip.size());
    out->clear();
    char buffer[64 * 1024];
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof(buffer);
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_OK || rc == Z_STREAM_END)
            out->append(buffer, int(sizeof(buffer) - zs.avail_out));
        if (rc == Z_BUF_ERROR && zs.avail_in == 0)
            break; // input ended before the member did
    }
    const uInt leftOver = zs.avail_in;
    const QString zlibMessage = QString::fromLatin1(zs.msg ? zs.msg : "");
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
        *error = zlibMessage.isEmpty() ? QStringLiteral("truncated gzip data")
                                       : QStringLiteral("corrupt gzip data: ") + zlibMessage;
        return false;
    }
    if (leftOver != 0) {
        *error = QStringLiteral("%1 bytes after the gzip member").arg(leftOver);
        return false;
    }
    return true;
}
