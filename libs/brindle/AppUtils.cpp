#include "AppUtils.h"

#include "QtLog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QNetworkInterface>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Descriptor holding the single-instance lock, kept open for the life of the process.
int instanceLockFd = -1;

// Exec lines of desktop entries treat some characters specially; quote the path.
QString quotedExec(const QString& path)
{
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('"'), QLatin1String("\\\""))
        .replace(QLatin1Char('`'), QLatin1String("\\`"))
        .replace(QLatin1Char('$'), QLatin1String("\\$"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString AppUtils::lockFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/') + QCoreApplication::organizationName();
    return folder + QLatin1Char('/') + QCoreApplication::applicationName() + QLatin1String(".lock");
}

bool AppUtils::isAppRunning(const QApplication&)
{
    if (instanceLockFd >= 0)
        return false;
    const QString path = lockFilePath();
    makePrivateFolder(QFileInfo(path).absolutePath());
    // An flock() belongs to the open file and the kernel drops it when the process ends,
    // however it ends, so a crashed instance can never leave the lock stuck.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        QtLog::warning() << "AppUtils::isAppRunning - cannot open lock file" << path;
        return false;
    }
    ::fchmod(fd, 0600);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (!held)
            QtLog::warning() << "AppUtils::isAppRunning - cannot lock" << path;
        return held;
    }
    instanceLockFd = fd;
    // The PID is only informative, for a person looking at the file.
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0)
        [[maybe_unused]] ssize_t written = ::write(fd, pid.constData(), static_cast<size_t>(pid.size()));
    return false;
}

QString AppUtils::autostartFilePath(const QString& id)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1String("/autostart/") + id + QLatin1String(".desktop");
}

void AppUtils::registerStartup(const QApplication&, const QString& id)
{
    const QString path = autostartFilePath(id);
    const QString content = QLatin1String("[Desktop Entry]\n"
                                          "Type=Application\n"
                                          "Name=")
        + QCoreApplication::applicationName() + QLatin1String("\nExec=")
        + quotedExec(QCoreApplication::applicationFilePath())
        + QLatin1String("\nTerminal=false\n"
                        "X-GNOME-Autostart-enabled=true\n");
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && QString::fromUtf8(existing.readAll()) == content)
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0 || !file.commit()) {
        QtLog::warning() << "AppUtils::registerStartup - cannot write" << path << file.errorString();
        return;
    }
    QtLog::info() << "AppUtils::registerStartup - wrote" << path;
}

QString AppUtils::getFullAppVersion(QString majorMinor)
{
    QString build = readFileToString(QStringLiteral(":/build_number")).trimmed();
    if (build.isEmpty())
        build = QStringLiteral("0");
    return majorMinor + QLatin1Char('.') + build;
}

QString AppUtils::readFileToString(QString path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString AppUtils::getMacAddress()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        if (iface.flags() & QNetworkInterface::IsLoopBack)
            continue;
        const QString mac = iface.hardwareAddress();
        if (mac.isEmpty() || mac == QLatin1String("00:00:00:00:00:00"))
            continue;
        return mac;
    }
    return QString();
}

bool AppUtils::isCompiledWith64bit()
{
    return QT_POINTER_SIZE == 8;
}

void AppUtils::logSysInfo(const QApplication& app, QString version)
{
    QtLog::info() << "----------------------------------------------------------------";
    QtLog::info() << "Application:" << app.applicationName() << "version" << version
                  << (isCompiledWith64bit() ? "64-bit" : "32-bit");
    QtLog::info() << "Executable:" << app.applicationFilePath();
    QtLog::info() << "Qt:" << qVersion() << "built with" << QT_VERSION_STR;
    QtLog::info() << "OS:" << QSysInfo::prettyProductName() << "kernel"
                  << QSysInfo::kernelType() << QSysInfo::kernelVersion();
    QtLog::info() << "CPU:" << QSysInfo::currentCpuArchitecture() << "build ABI:"
                  << QSysInfo::buildAbi();
    QtLog::info() << "Session:" << qEnvironmentVariable("XDG_SESSION_TYPE")
                  << "platform:" << QGuiApplication::platformName()
                  << "locale:" << QLocale::system().name();
}

void AppUtils::makePrivateFolder(const QString& path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void AppUtils::makePrivateFile(const QString& path)
{
    if (QFile::exists(path))
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}
