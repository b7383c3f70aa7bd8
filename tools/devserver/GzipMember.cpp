#include "GzipMember.h"

#include <zlib.h>

namespace {

// inflateEnd on every way out.
struct Inflater {
    z_stream zs {};
    bool ready = false;
    Inflater() { ready = inflateInit2(&zs, 16 + MAX_WBITS) == Z_OK; } // gzip wrapper only
    ~Inflater()
    {
        if (ready)
            inflateEnd(&zs);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

} // namespace

GzipMember::Outcome GzipMember::decompress(const QByteArray& gzip, qint64 maxSize, QByteArray* out, QString* error)
{
    out->clear();
    if (gzip.size() < 18 || quint8(gzip[0]) != 0x1f || quint8(gzip[1]) != 0x8b) {
        *error = QStringLiteral("not gzip data");
        return Outcome::Invalid;
    }
    Inflater inflater;
    if (!inflater.ready) {
        *error = QStringLiteral("zlib init failed");
        return Outcome::Invalid;
    }
    z_stream& zs = inflater.zs;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gzip.constData()));
    zs.avail_in = uInt(gzip.size());
    char buffer[64 * 1024];
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof(buffer);
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        const qint64 produced = qint64(sizeof(buffer) - zs.avail_out);
        if (out->size() + produced > maxSize) {
            out->clear();
            *error = QStringLiteral("inflates to more than %1 bytes").arg(maxSize);
            return Outcome::TooLarge;
        }
        out->append(buffer, int(produced));
    }
    if (rc != Z_STREAM_END) {
        out->clear();
        *error = zs.msg ? QStringLiteral("corrupt gzip data: ") + QString::fromLatin1(zs.msg)
                        : QStringLiteral("truncated gzip data");
        return Outcome::Invalid;
    }
    if (zs.avail_in != 0) {
        out->clear();
        *error = QStringLiteral("%1 bytes after the gzip member").arg(zs.avail_in);
        return Outcome::Invalid;
    }
    return Outcome::Ok;
}
