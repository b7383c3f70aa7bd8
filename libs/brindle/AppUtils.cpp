#include "AppUtils.h"
#include "PrivateFiles.h"

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

// The value of a key in the [Desktop Entry] group, as written (escapes left in).
QString desktopEntryValue(const QString& text, const QString& key)
{
    bool inMainGroup = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inMainGroup && eq > 0 && line.left(eq).trimmed() == key)
            return line.mid(eq + 1).trimmed();
    }
    return QString();
}

// The program an Exec value starts: its first argument, unquoted as the desktop entry
// format says (string escapes first, then the quoting).
QString execProgram(const QString& exec)
{
    QString value;
    for (int i = 0; i < exec.size(); ++i) {
        if (exec[i] == QLatin1Char('\\') && i + 1 < exec.size() && exec[i + 1] == QLatin1Char('\\'))
            ++i;
        value += exec[i];
    }
    if (!value.startsWith(QLatin1Char('"')))
        return value.section(QLatin1Char(' '), 0, 0);
    QString program;
    for (int i = 1; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('"'))
            break;
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size())
            ++i;
        program += value[i];
    }
    return program;
}

bool switchedOffByUser(const QString& entry)
{
    return desktopEntryValue(entry, QStringLiteral("Hidden")) == QLatin1String("true")
        || desktopEntryValue(entry, QStringLiteral("X-GNOME-Autostart-enabled")) == QLatin1String("false");
}

} // namespace

QString AppUtils::lockFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
        + QCoreApplication::organizationName();
    return folder + QLatin1Char('/') + QCoreApplication::applicationName() + QLatin1String(".lock");
}

bool AppUtils::isAppRunning(const QApplication&)
{
    if (instanceLockFd >= 0)
        return false;
    const QString path = lockFilePath();
    PrivateFiles::makeFolder(QFileInfo(path).absolutePath());
    // An flock() belongs to the open file and the kernel drops it when the process ends,
    // however it ends, so a crashed instance can never leave the lock stuck.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        LK_WARNING() << "AppUtils::isAppRunning - cannot open lock file" << path;
        return false;
    }
    ::fchmod(fd, 0600);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (!held)
            LK_WARNING() << "AppUtils::isAppRunning - cannot lock" << path;
        return held;
    }
    instanceLockFd = fd;
    // The PID is only informative, for a person looking at the file.
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0) [[maybe_unused]]
        ssize_t written = ::write(fd, pid.constData(), static_cast<size_t>(pid.size()));
    return false;
}

QString AppUtils::autostartFilePath(const QString& id)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/autostart/") + id
        + QLatin1String(".desktop");
}

QString AppUtils::installedDesktopEntry(const QString& programPath, const QString& id)
{
    const QString path = QDir::cleanPath(QFileInfo(programPath).absolutePath()
                                         + QStringLiteral("/" LARKSPAN_DATA_FROM_PROGRAM_DIR "/applications/") + id
                                         + QLatin1String(".desktop"));
    const QString entry = readFileToString(path);
    if (entry.isEmpty())
        return QString();
    QString launcher = execProgram(desktopEntryValue(entry, QStringLiteral("Exec")));
    if (!launcher.isEmpty() && !QFileInfo(launcher).isAbsolute())
        launcher = QStandardPaths::findExecutable(launcher);
    const QString launched = QFileInfo(launcher).canonicalFilePath();
    if (launched.isEmpty() || launched != QFileInfo(programPath).canonicalFilePath()) {
        LK_INFO() << "AppUtils::registerStartup -" << path << "starts" << launcher
                  << "- not this program, so it is not registered";
        return QString();
    }
    return path;
}

void AppUtils::registerStartup(const QApplication& app, const QString& id)
{
    const QString entry = installedDesktopEntry(app.applicationFilePath(), id);
    if (entry.isEmpty()) {
        LK_DEBUG() << "AppUtils::registerStartup - not an installed copy, no start at login";
        return;
    }
    writeAutostartEntry(entry, id);
}

void AppUtils::writeAutostartEntry(const QString& desktopEntryPath, const QString& id)
{
    QString content = readFileToString(desktopEntryPath);
    if (content.isEmpty())
        return;
    if (!content.endsWith(QLatin1Char('\n')))
        content += QLatin1Char('\n');
    content += QLatin1String("X-GNOME-Autostart-enabled=true\n");

    const QString path = autostartFilePath(id);
    const QString existing = readFileToString(path);
    if (existing == content)
        return;
    // The session's settings switch an entry off by marking it; starting Larkspan again
    // must not undo the user's choice.
    if (switchedOffByUser(existing)) {
        LK_INFO() << "AppUtils::registerStartup - start at login is switched off in" << path;
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0 || !file.commit()) {
        LK_WARNING() << "AppUtils::registerStartup - cannot write" << path << file.errorString();
        return;
    }
    LK_INFO() << "AppUtils::registerStartup - wrote" << path;
}

QString AppUtils::getFullAppVersion(const QString& majorMinor)
{
    QString build = readFileToString(QStringLiteral(":/build_number")).trimmed();
    if (build.isEmpty())
        build = QStringLiteral("0");
    return majorMinor + QLatin1Char('.') + build;
}

QString AppUtils::readFileToString(const QString& path)
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

void AppUtils::logSysInfo(const QApplication& app, const QString& version)
{
    LK_INFO() << "----------------------------------------------------------------";
    LK_INFO() << "Application:" << app.applicationName() << "version" << version
              << (isCompiledWith64bit() ? "64-bit" : "32-bit");
    LK_INFO() << "Executable:" << app.applicationFilePath();
    LK_INFO() << "Qt:" << qVersion() << "built with" << QT_VERSION_STR;
    LK_INFO() << "OS:" << QSysInfo::prettyProductName() << "kernel" << QSysInfo::kernelType()
              << QSysInfo::kernelVersion();
    LK_INFO() << "CPU:" << QSysInfo::currentCpuArchitecture() << "build ABI:" << QSysInfo::buildAbi();
    LK_INFO() << "Session:" << qEnvironmentVariable("XDG_SESSION_TYPE")
              << "platform:" << QGuiApplication::platformName() << "locale:" << QLocale::system().name();
}
