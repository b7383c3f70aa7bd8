#include "Startup.h"

#include "AppUtils.h"
#include "Clock.h"
#include "DateTimeUtils.h"
#include "MachineIdentifier.h"
#include "PrivateFiles.h"
#include "QtLog.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QStandardPaths>
#include <QUuid>

namespace {

bool iniFlag(QLatin1String key)
{
    return iniSettings().value(key, false).toBool();
}

} // namespace

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(AppConstants::organizationName);
    const bool dev = iniFlag(IniKeys::devCacheFolderUsed);
    QCoreApplication::setApplicationName(dev ? AppConstants::devApplicationName : AppConstants::applicationName);
}

void removeOldDataFolder()
{
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QFileInfo oldDb(QDir(dataFolder).filePath(QStringLiteral("timelogs.db")));
    // Through Qt's own logger: this runs before logging is configured, and an info line
    // would not pass the facade's default level yet.
    if (oldDb.exists()) {
        qInfo().noquote() << "Found old database file: " + oldDb.absoluteFilePath() + " deleting data folder...";
        QDir(dataFolder).removeRecursively();
    } else {
        qInfo().noquote() << "No old database file found: " + oldDb.absoluteFilePath();
    }
}

QString logFileName(const QString& base, const char* suffix)
{
    return base + QString::fromUtf8(suffix);
}

bool isMultiInstanceAllowed()
{
    return iniFlag(IniKeys::multiInstanceAllowed);
}

bool isUpdateDisabled()
{
    return iniFlag(IniKeys::updateDisabled);
}

void configureLogging()
{
    QtLog::init();
    QtLogConf& conf = QtLog::getConf();
    conf.setMaxFileSize(10485760);
    conf.setMaxBackupCount(2);
    conf.setFileName(logFileName(QCoreApplication::applicationName(), ".log"));
    conf.setLogLevel(iniFlag(IniKeys::debugEnabled) ? QtDebugMsg : QtWarningMsg);
}

void logIniFlags()
{
    for (QLatin1String key : {IniKeys::debugEnabled, IniKeys::uploadDisabled, IniKeys::devCacheFolderUsed,
                              IniKeys::multiInstanceAllowed, IniKeys::updateDisabled}) {
        LK_INFO().nospace() << QLatin1String("INI - ") + key + QLatin1String(":\t") << iniFlag(key);
    }
}

void writeStartupSettings(QSettings& settings)
{
    settings.setValue(Keys::appStartTime, DateTimeUtils::toUTCString(Clock::nowUtc()));
    if (settings.value(Keys::macAddress, QString()).toString().isEmpty()) {
        QString identifier = AppUtils::getMacAddress();
        // Without a hardware address (containers, VPN-only hosts) an empty value would
        // make every time log invalid: store a generated identifier instead, kept like one.
        if (identifier.isEmpty()) {
            identifier = MachineIdentifier::generate();
            LK_INFO() << "No hardware network address, using a generated machine identifier:" << identifier;
        }
        settings.setValue(Keys::macAddress, identifier);
    }
    settings.setValue(Keys::clientUuid, QUuid::createUuid().toString().mid(1, 36).toUpper());
    settings.sync();
}

void protectUserFiles(const QSettings& settings)
{
    const QString file = settings.fileName();
    PrivateFiles::makeFolder(QFileInfo(file).absolutePath());
    PrivateFiles::makeFile(file);
    PrivateFiles::makeFolder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

void chooseWorkingDirectory()
{
    if (!QDir::currentPath().contains(QLatin1String("larkspan-desktop")))
        QDir::setCurrent(QCoreApplication::applicationDirPath());
}

void leaveBearerPluginsUnloaded()
{
    // The first network access manager asks the bearer plugins (NetworkManager, connman,
    // generic) for the network configurations, once for the whole run, and keeps them
    // loaded with a thread and a system bus watch of their own. Requests go out the same
    // without them, and we use no configuration: with no plugin folder in sight at that
    // moment none is loaded, and every other kind of plugin is found again right after.
    const QStringList paths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    {
        QNetworkAccessManager first;
    }
    QCoreApplication::setLibraryPaths(paths);
}
