#include "Appcast.h"

#include <QVersionNumber>
#include <QXmlStreamReader>

namespace {

const QLatin1String kSparkle("sparkle");

bool isSparkle(const QXmlStreamReader& xml, const char* name)
{
    return xml.prefix() == kSparkle && xml.name() == QLatin1String(name);
}

QString sparkleAttribute(const QXmlStreamAttributes& attributes, const char* name)
{
    for (const QXmlStreamAttribute& a : attributes)
        if (a.prefix() == kSparkle && a.name() == QLatin1String(name))
            return a.value().toString().trimmed();
    return QString();
}

void readEnclosure(const QXmlStreamAttributes& a, const QUrl& feedUrl, AppcastItem* item)
{
    item->packageUrl = feedUrl.resolved(QUrl(a.value(QLatin1String("url")).toString().trimmed()));
    bool ok = false;
    const qint64 length = a.value(QLatin1String("length")).toLongLong(&ok);
    item->length = ok ? length : -1;
    item->signature = sparkleAttribute(a, "edSignature").toLatin1();
    // Older feeds put the versions on the enclosure; the item's own elements win.
    if (item->version.isEmpty())
        item->version = sparkleAttribute(a, "version");
    if (item->shortVersion.isEmpty())
        item->shortVersion = sparkleAttribute(a, "shortVersionString");
}

AppcastItem readItem(QXmlStreamReader& xml, const QUrl& feedUrl)
{
    AppcastItem item;
    while (xml.readNextStartElement()) {
        if (xml.prefix().isEmpty() && xml.name() == QLatin1String("title")) {
            item.title = xml.readElementText().trimmed();
        } else if (xml.prefix().isEmpty() && xml.name() == QLatin1String("description")) {
            item.notes = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, "version")) {
            item.version = xml.readElementText().trimmed();
        } else if (isSparkle(xml, "shortVersionString")) {
            item.shortVersion = xml.readElementText().trimmed();
        } else if (isSparkle(xml, "releaseNotesLink")) {
            item.notesUrl = feedUrl.resolved(QUrl(xml.readElementText().trimmed()));
        } else if (xml.prefix().isEmpty() && xml.name() == QLatin1String("enclosure")) {
            readEnclosure(xml.attributes(), feedUrl, &item);
            xml.skipCurrentElement();
        } else {
            xml.skipCurrentElement();
        }
    }
    return item;
}

} // namespace

bool Appcast::parse(const QByteArray& text, const QUrl& feedUrl, QVector<AppcastItem>* items, QString* error)
{
    items->clear();
    QXmlStreamReader xml(text);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("rss")) {
        *error = xml.hasError() ? xml.errorString() : QStringLiteral("not an RSS feed");
        return false;
    }
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.prefix().isEmpty() && xml.name() == QLatin1String("item"))
            items->append(readItem(xml, feedUrl));
    }
    if (xml.hasError()) {
        *error = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
        items->clear();
        return false;
    }
    return true;
}

std::optional<AppcastItem> Appcast::newest(const QVector<AppcastItem>& items, const QString& currentVersion)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (item.version.isEmpty() || !item.packageUrl.isValid() || item.length <= 0 || item.signature.isEmpty())
            continue;
        if (compareVersions(item.version, currentVersion) <= 0)
            continue;
        if (!best || compareVersions(item.version, best->version) > 0)
            best = item;
    }
    return best;
}

int Appcast::compareVersions(const QString& a, const QString& b)
{
    int suffixA = 0, suffixB = 0;
    const QVersionNumber va = QVersionNumber::fromString(a, &suffixA).normalized();
    const QVersionNumber vb = QVersionNumber::fromString(b, &suffixB).normalized();
    const int byNumber = QVersionNumber::compare(va, vb);
    if (byNumber != 0)
        return byNumber < 0 ? -1 : 1;
    const QString restA = a.mid(suffixA), restB = b.mid(suffixB);
    if (restA == restB)
        return 0;
    if (restA.isEmpty())
        return 1;
    if (restB.isEmpty())
        return -1;
    return restA < restB ? -1 : 1;
}
