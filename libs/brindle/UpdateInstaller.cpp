#include "UpdateInstaller.h"

#include "AppUtils.h"
#include "PrivateFiles.h"
#include "QtLog.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

QString UpdateInstaller::packageFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QLatin1String("/updates");
}

void UpdateInstaller::clearPackageFolder()
{
    QDir folder(packageFolder());
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        folder.remove(name);
}

QStringList UpdateInstaller::installerCommand()
{
    const QString configured = qEnvironmentVariable("LARKSPAN_UPDATE_INSTALLER").trimmed();
    QStringList command = configured.isEmpty() ? QStringList() : QProcess::splitCommand(configured);
    if (command.isEmpty())
        command << QStringLiteral("xdg-open");
    return command;
}

bool UpdateInstaller::handOver(const QByteArray& verifiedPackage, const QString& version, QString* path, QString* error)
{
    path->clear();
    QString safeVersion = version;
    safeVersion.replace(QRegularExpression(QStringLiteral("[^0-9A-Za-z.+~-]")), QStringLiteral("_"));
    const QString folder = packageFolder();
    PrivateFiles::makeFolder(folder);
    clearPackageFolder();

    const QString target = folder + QStringLiteral("/larkspan_%1.deb").arg(safeVersion);
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(verifiedPackage) != verifiedPackage.size() || !file.commit()) {
        *error = tr("The package could not be saved to %1: %2").arg(target, file.errorString());
        return false;
    }
    PrivateFiles::makeFile(target);
    *path = target;

    QStringList command = installerCommand();
    const QString program = command.takeFirst();
    command << target;
    LK_INFO() << "UpdateInstaller - opening" << target << "with" << program;
    if (!QProcess::startDetached(program, command)) {
        *error = tr("The system's installer (%1) could not be started. The verified "
                    "package is saved at %2.")
                     .arg(program, target);
        return false;
    }
    return true;
}
