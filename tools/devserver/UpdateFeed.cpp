#include "UpdateFeed.h"

#include <QDateTime>
#include <QFile>
#include <QVersionNumber>
#include <QXmlStreamWriter>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace {
// Our own namespace for the feed's extension elements; the client matches the prefix.
const QString kSparkleNs = QStringLiteral("https://larkspan.invalid/xml-namespaces/appcast");

// Base64 Ed25519 signature of data by the PEM private key; empty on failure.
QByteArray sign(const QByteArray& pem, const QByteArray& data)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.constData(), int(pem.size())), &BIO_free);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519 || !ctx
        || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return QByteArray();
    QByteArray signature(64, '\0');
    size_t length = size_t(signature.size());
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()))
        != 1)
        return QByteArray();
    return signature.toBase64();
}

QByteArray readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return QByteArray();
    }
    return file.readAll();
}
} // namespace

UpdateFeed::UpdateFeed(const QString& packagePath, const QString& keyPath)
    : _version(QStringLiteral(LARKSPAN_DEVSERVER_CLIENT_VERSION))
{
    const QByteArray package = readFile(packagePath, &_loadError);
    const QByteArray pem = readFile(keyPath, &_loadError);
    if (package.isEmpty() || pem.isEmpty())
        return;
    QByteArray altered = package;
    altered[0] = char(altered[0] ^ 0x01);
    _signature = sign(pem, package);
    _wrongSignature = sign(pem, altered);
    if (_signature.isEmpty() || _wrongSignature.isEmpty()) {
        _loadError = QStringLiteral("%1 is not an Ed25519 private key").arg(keyPath);
        return;
    }
    _package = package;
}

QByteArray UpdateFeed::appcast(const QString& path, const QString& baseUrl)
{
    std::lock_guard<std::mutex> lock(_mutex);
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("rss"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2.0"));
    xml.writeNamespace(kSparkleNs, QStringLiteral("sparkle"));
    xml.writeStartElement(QStringLiteral("channel"));
    xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Larkspan updates (%1)").arg(path));
    xml.writeTextElement(QStringLiteral("description"),
                         QStringLiteral("Development feed of the Larkspan reference server"));
    if (!_package.isEmpty()) {
        xml.writeStartElement(QStringLiteral("item"));
        xml.writeTextElement(QStringLiteral("title"), QStringLiteral("Larkspan %1").arg(_version));
        xml.writeTextElement(QStringLiteral("pubDate"), QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date));
        xml.writeTextElement(kSparkleNs, QStringLiteral("version"), _version);
        xml.writeTextElement(kSparkleNs, QStringLiteral("shortVersionString"), _version);
        if (_notes == Notes::Link) {
            xml.writeTextElement(kSparkleNs, QStringLiteral("releaseNotesLink"), baseUrl + QLatin1String(notesName));
        } else {
            xml.writeStartElement(QStringLiteral("description"));
            xml.writeCDATA(QString::fromUtf8(releaseNotes()));
            xml.writeEndElement();
        }
        xml.writeStartElement(QStringLiteral("enclosure"));
        xml.writeAttribute(QStringLiteral("url"), baseUrl + QLatin1String(packageName));
        const qint64 length = _package.size() + (_fault == Fault::Length ? 1 : 0);
        xml.writeAttribute(QStringLiteral("length"), QString::number(length));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("application/vnd.debian.binary-package"));
        xml.writeAttribute(kSparkleNs, QStringLiteral("edSignature"),
                           QString::fromLatin1(_fault == Fault::Signature ? _wrongSignature : _signature));
        xml.writeEndElement();
        xml.writeEndElement(); // item
    }
    xml.writeEndElement(); // channel
    xml.writeEndElement(); // rss
    xml.writeEndDocument();
    return out;
}

QByteArray UpdateFeed::releaseNotes() const
{
    return QByteArrayLiteral("<h3>Development build</h3><ul><li>Served by the Larkspan "
                             "reference server to exercise updates.</li><li>The package is an "
                             "empty test package, signed with the development key.</li></ul>");
}

bool UpdateFeed::setVersion(const QString& version, QString* error)
{
    if (QVersionNumber::fromString(version).isNull()) {
        *error = QStringLiteral("\"%1\" is not a version such as 2.8.10").arg(version);
        return false;
    }
    std::lock_guard<std::mutex> lock(_mutex);
    _version = version;
    return true;
}

bool UpdateFeed::setFault(const QString& fault, QString* error)
{
    static const QMap<QString, Fault> names {{QStringLiteral("none"), Fault::None},
                                             {QStringLiteral("signature"), Fault::Signature},
                                             {QStringLiteral("length"), Fault::Length}};
    if (!names.contains(fault)) {
        *error = QStringLiteral("fault must be none, signature or length, not \"%1\"").arg(fault);
        return false;
    }
    std::lock_guard<std::mutex> lock(_mutex);
    _fault = names.value(fault);
    return true;
}

bool UpdateFeed::setNotes(const QString& notes, QString* error)
{
    if (notes != QLatin1String("inline") && notes != QLatin1String("link")) {
        *error = QStringLiteral("notes must be inline or link, not \"%1\"").arg(notes);
        return false;
    }
    std::lock_guard<std::mutex> lock(_mutex);
    _notes = notes == QLatin1String("link") ? Notes::Link : Notes::Inline;
    return true;
}

void UpdateFeed::reset()
{
    std::lock_guard<std::mutex> lock(_mutex);
    _version = QStringLiteral(LARKSPAN_DEVSERVER_CLIENT_VERSION);
    _fault = Fault::None;
    _notes = Notes::Inline;
    _requests.clear();
}

void UpdateFeed::countRequest(const QString& path)
{
    std::lock_guard<std::mutex> lock(_mutex);
    ++_requests[path];
}

QJsonObject UpdateFeed::toJson() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    QJsonObject requests;
    for (auto it = _requests.begin(); it != _requests.end(); ++it)
        requests.insert(it.key(), it.value());
    const char* fault = _fault == Fault::Signature ? "signature" : _fault == Fault::Length ? "length" : "none";
    return QJsonObject {
        {QStringLiteral("version"), _version},
        {QStringLiteral("fault"), QLatin1String(fault)},
        {QStringLiteral("notes"), _notes == Notes::Link ? QStringLiteral("link") : QStringLiteral("inline")},
        {QStringLiteral("packageSize"), double(_package.size())},
        {QStringLiteral("packageError"), _loadError},
        {QStringLiteral("requests"), requests}};
}
