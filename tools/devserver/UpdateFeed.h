#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>

#include <mutex>

// The updates the reference server offers: one Sparkle-style item per appcast, pointing at
// a test package signed at start with the development key. The offered version starts as
// the client's own (so the client is up to date) and can be changed, and the feed can be
// told to lie about the package, for tests.
class UpdateFeed
{
public:
    enum class Fault { None, Signature, Length };
    enum class Notes { Inline, Link };

    // Reads the package and the private key; without them the feeds list no item.
    UpdateFeed(const QString& packagePath, const QString& keyPath);

    static constexpr const char* packageName = "larkspan-update-test.deb";
    static constexpr const char* notesName = "release-notes.html";

    bool hasPackage() const { return !_package.isEmpty(); }
    QString loadError() const { return _loadError; }
    QByteArray package() const { return _package; }

    // The feed for one appcast path (e.g. "beta/appcast-linux-x64.xml"); the package and
    // notes addresses are under baseUrl (ending in "/updates/").
    QByteArray appcast(const QString& path, const QString& baseUrl);
    QByteArray releaseNotes() const;

    // Settings changeable while running; false with a reason for an unknown spelling.
    bool setVersion(const QString& version, QString* error);
    bool setFault(const QString& fault, QString* error);
    bool setNotes(const QString& notes, QString* error);
    void reset();
    void countRequest(const QString& path);
    QJsonObject toJson() const;

private:
    QByteArray _package;
    QByteArray _signature; // Base64, by the development key
    QByteArray _wrongSignature; // Base64, by the same key over other bytes
    QString _loadError;

    mutable std::mutex _mutex;
    QString _version;
    Fault _fault = Fault::None;
    Notes _notes = Notes::Inline;
    QMap<QString, int> _requests;
};
