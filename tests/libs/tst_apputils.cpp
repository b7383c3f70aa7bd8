#include "AppUtils.h"
#include "TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// An installed tree as the install lays it out: the program in lib/larkspan, the launcher
// link in bin, the desktop entry with the given Exec. Returns the program's path.
QString installTree(const QString& prefix, const QString& id, const QString& exec)
{
    QDir().mkpath(prefix + QStringLiteral("/lib/larkspan"));
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    QDir().mkpath(prefix + QStringLiteral("/share/applications"));
    const QString program = prefix + QStringLiteral("/lib/larkspan/Larkspan");
    writeFile(program, "#!/bin/sh\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::link(QStringLiteral("../lib/larkspan/Larkspan"), prefix + QStringLiteral("/bin/larkspan"));
    writeFile(prefix + QStringLiteral("/share/applications/") + id + QStringLiteral(".desktop"),
              "[Desktop Entry]\nType=Application\nName=Larkspan\nExec=" + exec.toUtf8() + "\nIcon=larkspan\n");
    return program;
}

} // namespace

class TestAppUtils : public QObject
{
    Q_OBJECT
private slots:
    // Runs first: the process takes the lock itself in the last case.
    void lockHeldByAnotherProcessMeansRunning()
    {
        const QString path = AppUtils::lockFilePath();
        QVERIFY(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        AppUtils::makePrivateFolder(QFileInfo(path).absolutePath());

        // flock(1) holds the same kind of lock the program takes, as another instance would.
        QProcess holder;
        holder.start(QStringLiteral("flock"), {QStringLiteral("-n"), QStringLiteral("-o"), path, QStringLiteral("sleep"), QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY(QFile::exists(path));
        QThread::msleep(200);
        QVERIFY(AppUtils::isAppRunning(*qApp));

        // A killed instance leaves its lock file behind but not its lock.
        holder.kill();
        QVERIFY(holder.waitForFinished());
        QVERIFY(QFile::exists(path));
        QVERIFY(!AppUtils::isAppRunning(*qApp));
        // Asking again from the owning process does not report itself.
        QVERIFY(!AppUtils::isAppRunning(*qApp));

        QProcess second;
        second.start(QStringLiteral("flock"), {QStringLiteral("-n"), path, QStringLiteral("true")});
        QVERIFY(second.waitForFinished());
        QVERIFY2(second.exitCode() != 0, "the lock must be held by this process now");
        QCOMPARE(QFile::permissions(path) & 0x0077, QFile::Permissions());
    }

    // The program's own desktop entry is found only for the program that entry starts.
    void installedEntryBelongsToTheRunningProgram()
    {
        const QString id = QStringLiteral("com.corvane.Larkspan");
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/lk tree XXXXXX")); // a space, as in "/opt/My Apps"
        const QString tree = dir.path() + QStringLiteral("/usr");
        const QString program = installTree(tree, id, QStringLiteral("\"%1/bin/larkspan\"").arg(tree));
        QCOMPARE(AppUtils::installedDesktopEntry(program, id), tree + QStringLiteral("/share/applications/") + id + QStringLiteral(".desktop"));

        // A copy of the tree elsewhere still names the original launcher: not registered.
        const QString moved = dir.path() + QStringLiteral("/moved");
        QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), tree, moved}), 0);
        QVERIFY(AppUtils::installedDesktopEntry(moved + QStringLiteral("/lib/larkspan/Larkspan"), id).isEmpty());
        // Nor is a program without a tree around it, as in a build folder.
        QVERIFY(AppUtils::installedDesktopEntry(QCoreApplication::applicationFilePath(), id).isEmpty());

        // A launcher named without a path is looked up on PATH.
        const QString plain = dir.path() + QStringLiteral("/plain");
        const QString plainProgram = installTree(plain, id, QStringLiteral("larkspan"));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(plain + QStringLiteral("/bin:")) + path);
        QVERIFY(!AppUtils::installedDesktopEntry(plainProgram, id).isEmpty());
        qputenv("PATH", path);
        QVERIFY(AppUtils::installedDesktopEntry(plainProgram, id).isEmpty());
    }

    void autostartEntryCopiesTheInstalledOne()
    {
        const QString id = QStringLiteral("com.corvane.Larkspan");
        QTemporaryDir dir;
        const QString tree = dir.path() + QStringLiteral("/usr");
        installTree(tree, id, tree + QStringLiteral("/bin/larkspan"));
        const QString installed = tree + QStringLiteral("/share/applications/") + id + QStringLiteral(".desktop");
        const QString path = AppUtils::autostartFilePath(id);
        QVERIFY(path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/autostart/")));

        // Run from a build folder: no entry.
        AppUtils::registerStartup(*qApp, id);
        QVERIFY(!QFile::exists(path));

        AppUtils::writeAutostartEntry(installed, id);
        const QString content = AppUtils::readFileToString(path);
        QCOMPARE(content, AppUtils::readFileToString(installed) + QStringLiteral("X-GNOME-Autostart-enabled=true\n"));

        // Written only when it would change.
        const QDateTime written = QFileInfo(path).lastModified();
        QThread::msleep(1100);
        AppUtils::writeAutostartEntry(installed, id);
        QCOMPARE(QFileInfo(path).lastModified(), written);

        // A stale entry (an older install elsewhere) is replaced.
        writeFile(path, "[Desktop Entry]\nExec=/old/place/Larkspan\n");
        AppUtils::writeAutostartEntry(installed, id);
        QCOMPARE(AppUtils::readFileToString(path), content);

        // Switched off in the session's settings: it stays off.
        for (const QByteArray& off : {QByteArray("Hidden=true\n"), QByteArray("X-GNOME-Autostart-enabled=false\n")}) {
            const QByteArray userChoice = "[Desktop Entry]\nExec=/old/place/Larkspan\n" + off;
            writeFile(path, userChoice);
            AppUtils::writeAutostartEntry(installed, id);
            QCOMPARE(AppUtils::readFileToString(path).toUtf8(), userChoice);
        }
    }

    void versionAndFiles()
    {
        // No ":/build_number" resource in this test: the build part falls back to 0.
        QCOMPARE(AppUtils::getFullAppVersion(QStringLiteral("2.8")), QStringLiteral("2.8.0"));
        QCOMPARE(AppUtils::readFileToString(QStringLiteral("/nonexistent/file")), QString());
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write(QString::fromUtf8("1234\nÜ").toUtf8());
        file.close();
        QCOMPARE(AppUtils::readFileToString(file.fileName()), QString::fromUtf8("1234\nÜ"));
        QCOMPARE(AppUtils::isCompiledWith64bit(), sizeof(void*) == 8);
    }

    void macAddressLooksLikeHardware()
    {
        const QString mac = AppUtils::getMacAddress();
        if (mac.isEmpty())
            QSKIP("no non-loopback interface with a hardware address here");
        QVERIFY2(QRegularExpression(QStringLiteral("^([0-9A-F]{2}:){5}[0-9A-F]{2}$")).match(mac).hasMatch(), qPrintable(mac));
        QVERIFY(mac != QLatin1String("00:00:00:00:00:00"));
    }
};

LARKSPAN_TEST_MAIN(TestAppUtils, QApplication)
#include "tst_apputils.moc"
