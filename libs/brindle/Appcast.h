#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QVector>

#include <optional>

// One release offered by an appcast: an RSS item with its version, notes and package.
struct AppcastItem {
    QString title;
    QString version; // sparkle:version, compared with the running version
    QString shortVersion; // sparkle:shortVersionString, shown to the user when present
    QString notes; // inline description (HTML or plain text)
    QUrl notesUrl; // sparkle:releaseNotesLink
    QUrl packageUrl; // enclosure url
    qint64 length = -1; // enclosure length in bytes
    QByteArray signature; // enclosure sparkle:edSignature, Base64

    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
};

// Reads a Sparkle-style RSS appcast and picks the release to offer.
class Appcast
{
public:
    // Items of the feed; relative addresses are resolved against the feed's own address.
    // False with a reason when the text is not a well-formed RSS feed.
    static bool parse(const QByteArray& xml, const QUrl& feedUrl, QVector<AppcastItem>* items, QString* error);
    // The newest item newer than currentVersion that carries a package with length and
    // signature; items without them cannot be verified and are never offered.
    static std::optional<AppcastItem> newest(const QVector<AppcastItem>& items, const QString& currentVersion);
    // Numeric parts compare as numbers ("2.8.10" after "2.8.9", "2.9" equals "2.9.0");
    // on equal numbers a release comes after a pre-release ("2.9.0" after "2.9.0-beta1").
    static int compareVersions(const QString& a, const QString& b);
};
