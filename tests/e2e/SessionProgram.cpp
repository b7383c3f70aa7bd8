#include "SessionProgram.h"

#include "DevServerProcess.h"
#include "E2eDesktop.h"
#include "HeadlessCompositor.h"
#include "LarkspanRun.h"
#include "UploadedActivities.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>

QString missingTools(const QStringList& tools)
{
    QStringList missing;
    for (const QString& tool : tools) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing << tool;
    }
    if (missing.isEmpty())
        return QString();
    return missing.join(QStringLiteral(", ")) + QStringLiteral(" missing (scripts/deps.sh installs them)");
}

QProcessEnvironment loggedInEnvironment(LarkspanHome& home, const DevServerProcess& server, const QString& user,
                                        int idleThresholdSecs)
{
    home.setIniFlag(QStringLiteral("debugEnabled"), true);
    {
        QSettings settings(home.settingsFile(), QSettings::NativeFormat);
        settings.setValue(QStringLiteral("userInfoJson"), loggedInUserJson(server, user));
        settings.setValue(QStringLiteral("maxInactiveSecs"), idleThresholdSecs);
    }
    const QString serverUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    QProcessEnvironment env = home.environment();
    env.insert(QStringLiteral("LARKSPAN_SERVER_URL"), serverUrl);
    env.insert(QStringLiteral("LARKSPAN_INGRESS_URL"), serverUrl);
    return env;
}

qint64 findProgram(const QString& binary, uint uid)
{
    const QString wanted = QFileInfo(binary).canonicalFilePath();
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QString dir = QStringLiteral("/proc/") + pid;
        if (pid.toLongLong() > 0 && QFileInfo(dir).ownerId() == uid
            && QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget() == wanted)
            return pid.toLongLong();
    }
    return 0;
}

qint64 startProgram(const HeadlessCompositor& session, const LarkspanHome& home, const QString& binary,
                    const QString& platform)
{
    const QString quoted = QLatin1Char('\'') + binary + QLatin1Char('\'');
    const QString command =
        platform.isEmpty() ? quoted : QStringLiteral("QT_QPA_PLATFORM=%1 exec %2").arg(platform, quoted);
    if (!session.exec(command) || !waitForSetting(home, QStringLiteral("clientUuid")))
        return 0;
    return findProgram(binary, session.uid());
}

Span typeEverySecond(const HeadlessCompositor& session, int seconds, const std::function<void()>& afterEach)
{
    Span span {QDateTime::currentDateTimeUtc(), QDateTime()};
    QElapsedTimer timer;
    timer.start();
    for (int second = 1; second <= seconds; ++second) {
        if (!session.type(QStringLiteral("work %1 ").arg(second)))
            return Span();
        if (afterEach)
            afterEach();
        QTest::qWait(static_cast<int>(qMax<qint64>(0, second * 1000 - timer.elapsed())));
    }
    span.end = QDateTime::currentDateTimeUtc();
    return span;
}

bool waitUntilGone(qint64 pid, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly) || status.readAll().contains("State:\tZ"))
            return true;
        QTest::qWait(100);
    }
    return false;
}

QString programFor(const HeadlessCompositor& session, QTemporaryDir& prefix)
{
    const QString buildDir = qEnvironmentVariable("LARKSPAN_BUILD_DIR");
    const QString built = buildDir + QStringLiteral("/bin/Larkspan");
    if (session.canRun(built))
        return built;
    if (!prefix.isValid())
        return QString();
    QFile::setPermissions(prefix.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                              | QFile::ReadOther | QFile::ExeOther);
    QProcess install;
    install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    install.setStandardOutputFile(QProcess::nullDevice());
    install.start(QStringLiteral("cmake"),
                  {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix.path()});
    if (!install.waitForFinished(60000) || install.exitStatus() != QProcess::NormalExit || install.exitCode() != 0)
        return QString();
    const QString installed = prefix.path() + QStringLiteral("/lib/larkspan/Larkspan");
    return session.canRun(installed) ? installed : QString();
}

QJsonArray uploadStored(const HeadlessCompositor& session, const LarkspanHome& home, const QString& binary,
                        const DevServerProcess& server, const QString& user)
{
    const QString serverUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    auto upload = home.start({QStringLiteral("LARKSPAN_SERVER_URL=") + serverUrl,
                              QStringLiteral("LARKSPAN_INGRESS_URL=") + serverUrl, QStringLiteral("WAYLAND_DISPLAY="),
                              QStringLiteral("XDG_SESSION_TYPE="), QStringLiteral("DISPLAY="),
                              QStringLiteral("QT_QPA_PLATFORM=offscreen")},
                             binary, QString(), session.launcher());
    QElapsedTimer timer;
    timer.start();
    // Sent logs are deleted and idle ones dropped at start: the server's answer counts once
    // nothing is left to send (a busy machine may take a while for the start).
    while (!storedTimeLogs(home).isEmpty() && timer.elapsed() < 60000)
        QTest::qWait(500);
    const QJsonArray activities =
        DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/activities?user=") + user))
            .value(QStringLiteral("activities"))
            .toArray();
    if (stopWithSignal(*upload, SIGTERM) < 0) {
        qWarning("the start that uploads did not quit on SIGTERM");
        return QJsonArray();
    }
    return activities;
}
