#include "PrivateLink.h"

#include "PrivateFiles.h"
#include "QtLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

namespace {

void removeOldPages(const QString& folder)
{
    const QDateTime expired = QDateTime::currentDateTimeUtc().addSecs(-PrivateLink::keepSecs);
    for (const QFileInfo& page : QDir(folder).entryInfoList({QStringLiteral("open-*.html")}, QDir::Files)) {
        if (page.lastModified().toUTC() < expired)
            QFile::remove(page.filePath());
    }
}

} // namespace

QString PrivateLink::folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1String("/links");
}

bool PrivateLink::openInBrowser(const QUrl& url)
{
    const QString dir = folder();
    if (!PrivateFiles::makeFolder(dir)) {
        LK_WARNING() << "PrivateLink: cannot make the folder" << dir;
        return false;
    }
    removeOldPages(dir);
    // Created 0600; the name is not guessable, and the folder is closed to others anyway.
    QTemporaryFile page(dir + QStringLiteral("/open-XXXXXX.html"));
    page.setAutoRemove(false);
    if (!page.open()) {
        LK_WARNING() << "PrivateLink: cannot write a page in" << dir;
        return false;
    }
    // Fully encoded, the address holds no quote or angle bracket; '&' is the one character
    // an HTML attribute needs escaped.
    const QString target = QString::fromLatin1(url.toEncoded()).toHtmlEscaped();
    const QString html =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                       "<meta name=\"referrer\" content=\"no-referrer\">"
                       "<meta http-equiv=\"refresh\" content=\"0; url=%1\"><title>Larkspan</title></head>"
                       "<body><a href=\"%1\">Larkspan</a></body></html>\n")
            .arg(target);
    page.write(html.toUtf8());
    page.close();
    const QString path = page.fileName();
    PrivateFiles::makeFile(path);
    QTimer::singleShot(keepSecs * 1000, QCoreApplication::instance(), [path] { QFile::remove(path); });
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
