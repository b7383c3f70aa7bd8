#include "WindowDetector.h"

#include "BoundedProcess.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TimeEvent.h"
#include "X11WindowReader.h"

#include <QFileInfo>
#include <QSettings>

QMap<QString, QString> WindowDetector::ieUrlCache;
QMutex WindowDetector::ieUrlCacheMutex;

namespace {

const QString kIeSuffix = QStringLiteral(" - Internet Explorer");
const QString kSeparator = QStringLiteral("@lksp@");
const QString kTerminator = QStringLiteral("@lklb@");

QString ieScript()
{
    return QStringLiteral("(New-Object -ComObject Shell.Application).Windows() | where-object { $_.name -eq \"Internet "
                          "Explorer\"} | ForEach-Object {$_.LocationUrl + \"")
        + kSeparator + QStringLiteral("\" + $_.LocationName + \"") + kTerminator + QStringLiteral("\"}");
}

} // namespace

WindowDetector::WindowDetector() : _reader(std::make_unique<X11WindowReader>()) {}

WindowDetector::~WindowDetector() = default;

WindowInfo WindowDetector::detect()
{
    WindowInfo info;
    readForegroundWindow(info);
    LK_DEBUG() << "Detected window: appName: " << info.appName << ", windowTitle=" << info.windowTitle;
    for (QString* field : {&info.appName, &info.windowTitle, &info.metaData}) {
        if (field->isEmpty())
            *field = TimeEvent::strEmpty();
    }
    return info;
}

void WindowDetector::readForegroundWindow(WindowInfo& out)
{
    out.appName = TimeEvent::strUnknown();
    out.windowTitle = TimeEvent::strUnknown();
    if (!readFromDisplay(out))
        return;
    if (QSettings().value(Keys::allowUrls, Defaults::allowUrls).toBool()
        && out.appName == QLatin1String("iexplore.exe")) {
        addInternetExplorerUrl(out);
    }
}

bool WindowDetector::readFromDisplay(WindowInfo& out)
{
    const X11ForegroundWindow window = _reader->readForegroundWindow();
    if (!window.found())
        return false;
    // A process that cannot be identified keeps the unknown marker; the title is read anyway.
    if (!window.appName.isEmpty())
        out.appName = window.appName;
    out.windowTitle = window.title;
    return true;
}

void WindowDetector::addInternetExplorerUrl(WindowInfo& out)
{
    out.windowTitle.remove(kIeSuffix);
    const QString titleKey = out.windowTitle;
    QString url = cachedIeUrl(titleKey);
    if (!url.isEmpty()) {
        out.metaData = url;
        LK_DEBUG() << "Set meta data directly - titleKey: " << titleKey << ", metaData: " << url;
        return;
    }
    refreshIeUrls();
    url = cachedIeUrl(titleKey);
    if (!url.isEmpty()) {
        out.metaData = url;
        LK_DEBUG() << "Set meta data after detecting IE urls -titleKey: " << titleKey << ", metaData: " << url;
    }
}

QString WindowDetector::cachedIeUrl(const QString& title)
{
    QMutexLocker lock(&ieUrlCacheMutex);
    return ieUrlCache.value(title);
}

void WindowDetector::refreshIeUrls()
{
    QString text = BoundedProcess::firstOutput(QStringLiteral("powershell.exe"),
                                               {QStringLiteral("-Command"), ieScript()}, helperTimeoutMs);
    LK_DEBUG() << "the result of the script is: " << text;
    if (text.isEmpty())
        return;
    text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    const QStringList records = text.split(kTerminator, Qt::SkipEmptyParts);
    for (const QString& record : records) {
        LK_DEBUG() << "Line: " << record;
        const QStringList parts = record.split(kSeparator, Qt::SkipEmptyParts);
        if (parts.size() < 2)
            continue;
        const QString url = parts.at(0).trimmed();
        const QString title = parts.at(1).trimmed();
        if (title.isEmpty())
            continue;
        {
            QMutexLocker lock(&ieUrlCacheMutex);
            ieUrlCache.insert(title, url);
        }
        LK_DEBUG() << "Save to map - title: " << title << ", url: " << url;
    }
}
