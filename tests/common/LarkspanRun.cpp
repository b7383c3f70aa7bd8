#include "LarkspanRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>

LarkspanHome::LarkspanHome() : _dir(QDir::tempPath() + QStringLiteral("/larkspan-e2e-XXXXXX")) {}

QString LarkspanHome::configDir() const
{
    return path() + QStringLiteral("/.config/Corvane");
}

QString LarkspanHome::dataDir(const QString& appName) const
{
    return path() + QStringLiteral("/.local/share/Corvane/") + appName;
}

QString LarkspanHome::settingsFile(const QString& appName) const
{
    return configDir() + QLatin1Char('/') + appName + QStringLiteral(".conf");
}

QString LarkspanHome::logFile(const QString& appName) const
{
    return dataDir(appName) + QLatin1Char('/') + appName + QStringLiteral(".log");
}

QString LarkspanHome::readLog(const QString& appName) const
{
    QFile file(logFile(appName));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QVariant LarkspanHome::setting(const QString& key, const QString& appName) const
{
    QSettings settings(settingsFile(appName), QSettings::NativeFormat);
    return settings.value(key);
}

void LarkspanHome::setIniFlag(const QString& key, bool value)
{
    QSettings ini(configDir() + QStringLiteral("/Larkspan.ini"), QSettings::IniFormat);
    ini.setValue(key, value);
}

void LarkspanHome::storeUserInfo(const QString& userInfoJson) const
{
    QDir().mkpath(configDir());
    QSettings settings(settingsFile(), QSettings::NativeFormat);
    settings.setValue(QStringLiteral("userInfoJson"), userInfoJson);
}

QProcessEnvironment LarkspanHome::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), path() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), path() + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), path() + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), path());
    if (!env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A browser of our own first on PATH: it records what the program opens (and presses
    // the login button when LARKSPAN_E2E_LOGIN_USER is set), so no real browser starts.
    env.insert(QStringLiteral("PATH"), browserDir() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    env.insert(QStringLiteral("LARKSPAN_E2E_OPENED"), openedFile());
    // No session bus unless the test brings one: nothing is started on demand for the run.
    if (!env.contains(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")))
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                   QStringLiteral("unix:path=") + path() + QStringLiteral("/no-bus"));
    return env;
}

QString LarkspanHome::browserDir() const
{
    const QString dir = path() + QStringLiteral("/browser");
    const QString standIn = dir + QStringLiteral("/xdg-open");
    if (!QFile::exists(standIn)) {
        QDir().mkpath(dir);
        QFile::copy(qEnvironmentVariable("LARKSPAN_SOURCE_DIR") + QStringLiteral("/tests/e2e/xdg-open"), standIn);
        QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return dir;
}

QString LarkspanHome::openedFile() const
{
    return path() + QStringLiteral("/opened.log");
}

QStringList LarkspanHome::openedAddresses() const
{
    QFile file(openedFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::unique_ptr<QProcess> LarkspanHome::start(const QStringList& extraEnv, const QString& program,
                                              const QString& workingDir, const QStringList& launcher) const
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = environment();
    for (const QString& pair : extraEnv)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setWorkingDirectory(workingDir.isEmpty() ? path() : workingDir);
    const QString binary =
        program.isEmpty() ? qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/bin/Larkspan") : program;
    if (launcher.isEmpty())
        process->start(binary, QStringList());
    else
        process->start(launcher.constFirst(), launcher.mid(1) << binary);
    process->waitForStarted(5000);
    return process;
}

qint64 stopWithSignal(QProcess& process, int signalNumber, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    ::kill(static_cast<pid_t>(process.processId()), signalNumber);
    if (!process.waitForFinished(timeoutMs))
        return -1;
    return timer.elapsed();
}

bool waitForSetting(const LarkspanHome& home, const QString& key, int timeoutMs, const QString& appName)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (home.setting(key, appName).isValid())
            return true;
        QThread::msleep(50);
    }
    return false;
}
