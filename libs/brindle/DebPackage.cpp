#include "DebPackage.h"

#include <lzma.h>
#include <zlib.h>

#include <QList>

namespace {

// A control archive holds a few small files; anything larger is not a package of ours.
constexpr qint64 kMaxControlTarBytes = qint64(4) * 1024 * 1024;
constexpr int kArHeaderBytes = 60;
constexpr int kTarBlock = 512;

qint64 number(const QByteArray& field, int base)
{
    bool ok = false;
    const qint64 value = field.trimmed().toLongLong(&ok, base);
    return ok && value >= 0 ? value : -1;
}

// The member of an ar archive with that name, or a null array.
QByteArray arMember(const QByteArray& ar, const QByteArray& wanted)
{
    if (!ar.startsWith("!<arch>\n"))
        return QByteArray();
    qint64 at = 8;
    while (at + kArHeaderBytes <= ar.size()) {
        const QByteArray header = ar.mid(int(at), kArHeaderBytes);
        if (header.mid(58, 2) != "`\n")
            return QByteArray();
        QByteArray name = header.left(16).trimmed();
        if (name.endsWith('/'))
            name.chop(1);
        const qint64 size = number(header.mid(48, 10), 10);
        const qint64 start = at + kArHeaderBytes;
        if (size < 0 || size > ar.size() - start)
            return QByteArray();
        if (name == wanted)
            return ar.mid(int(start), int(size));
        at = start + size + (size & 1);
    }
    return QByteArray();
}

bool inflateGzip(const QByteArray& in, QByteArray* out)
{
    z_stream zs {};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK)
        return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    zs.avail_in = uInt(in.size());
    char buffer[64 * 1024];
    int rc = Z_OK;
    while (rc == Z_OK && out->size() <= kMaxControlTarBytes) {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof(buffer);
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc == Z_OK || rc == Z_STREAM_END)
            out->append(buffer, int(sizeof(buffer) - zs.avail_out));
    }
    inflateEnd(&zs);
    return rc == Z_STREAM_END && out->size() <= kMaxControlTarBytes;
}

bool inflateXz(const QByteArray& in, QByteArray* out)
{
    lzma_stream xz = LZMA_STREAM_INIT;
    if (lzma_stream_decoder(&xz, uint64_t(64) * 1024 * 1024, 0) != LZMA_OK)
        return false;
    xz.next_in = reinterpret_cast<const uint8_t*>(in.constData());
    xz.avail_in = size_t(in.size());
    uint8_t buffer[64 * 1024];
    lzma_ret rc = LZMA_OK;
    while (rc == LZMA_OK && out->size() <= kMaxControlTarBytes) {
        xz.next_out = buffer;
        xz.avail_out = sizeof(buffer);
        rc = lzma_code(&xz, LZMA_FINISH);
        if (rc == LZMA_OK || rc == LZMA_STREAM_END)
            out->append(reinterpret_cast<const char*>(buffer), int(sizeof(buffer) - xz.avail_out));
    }
    lzma_end(&xz);
    return rc == LZMA_STREAM_END && out->size() <= kMaxControlTarBytes;
}

// The content of the regular file "control" (or "./control") in a tar archive.
QByteArray tarControlFile(const QByteArray& tar)
{
    qint64 at = 0;
    while (at + kTarBlock <= tar.size()) {
        const QByteArray header = tar.mid(int(at), kTarBlock);
        if (header.count('\0') == kTarBlock)
            return QByteArray(); // end of archive
        QByteArray name = header.left(100);
        name.truncate(name.indexOf('\0') < 0 ? name.size() : name.indexOf('\0'));
        const char type = header.at(156);
        const qint64 size = number(header.mid(124, 12).replace('\0', ' '), 8);
        const qint64 start = at + kTarBlock;
        if (size < 0 || size > tar.size() - start)
            return QByteArray();
        if ((type == '0' || type == '\0') && (name == "./control" || name == "control"))
            return tar.mid(int(start), int(size));
        at = start + (size + kTarBlock - 1) / kTarBlock * kTarBlock;
    }
    return QByteArray();
}

} // namespace

bool DebPackage::readVersion(const QByteArray& deb, QString* version)
{
    version->clear();
    if (!arMember(deb, "debian-binary").startsWith("2."))
        return false;
    QByteArray tar;
    const QByteArray gz = arMember(deb, "control.tar.gz");
    if (!gz.isNull()) {
        if (!inflateGzip(gz, &tar))
            return false;
    } else {
        const QByteArray xz = arMember(deb, "control.tar.xz");
        if (xz.isNull() || !inflateXz(xz, &tar))
            return false;
    }
    const QByteArray control = tarControlFile(tar);
    // The first paragraph's field; continuation lines start with a space.
    for (const QByteArray& line : control.split('\n')) {
        if (line.trimmed().isEmpty())
            break;
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).compare("Version", Qt::CaseInsensitive) == 0) {
            *version = QString::fromUtf8(line.mid(colon + 1).trimmed());
            return !version->isEmpty();
        }
    }
    return false;
}
