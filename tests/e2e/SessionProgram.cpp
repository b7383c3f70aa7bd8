#include "SessionProgram.h"

#include "HeadlessCompositor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

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
    QFile::setPermissions(prefix.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther
                              | QFile::ReadGroup | QFile::ExeGroup);
    QProcess install;
    install.setStandardOutputFile(QProcess::nullDevice());
    install.start(QStringLiteral("cmake"),
                  {QStringLiteral("--install"), buildDir, QStringLiteral("--prefix"), prefix.path()});
    if (!install.waitForFinished(60000) || install.exitCode() != 0)
        return QString();
    const QString installed = prefix.path() + QStringLiteral("/lib/larkspan/Larkspan");
    return session.canRun(installed) ? installed : QString();
}
