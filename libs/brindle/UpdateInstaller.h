#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Hands a verified package to the system's installer. Packages are written only after they
// passed verification, into a folder of the user's alone, under a fixed ".deb" name (the
// name in the appcast is not signed, the content is).
class UpdateInstaller
{
    Q_DECLARE_TR_FUNCTIONS(UpdateInstaller)

public:
    static QString packageFolder();
    // Deletes packages of earlier updates.
    static void clearPackageFolder();
    // The command that opens a package: LARKSPAN_UPDATE_INSTALLER when set (split like a
    // shell command line), else xdg-open; the package path is appended.
    static QStringList installerCommand();
    // Writes the package and starts the installer on it, without waiting for it. False
    // with a reason; *path is the written package when it got that far.
    static bool handOver(const QByteArray& verifiedPackage, const QString& version, QString* path, QString* error);

private:
    UpdateInstaller() = delete;
};
