#include "AppUtils.h"
#include "PrivateFiles.h"
#include "TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
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
        PrivateFiles::makeFolder(QFileInfo(path).absolutePath());

        // flock(1) holds the same kind of lock the program takes, as another instance would.
        // It says so once it holds the lock.
        QProcess holder;
        holder.start(QStringLiteral("flock"),
                     {QStringLiteral("-n"), QStringLiteral("-o"), path, QStringLiteral("-c"),
                      QStringLiteral("echo locked; exec sleep 60")});
        QVERIFY(holder.waitForStarted());
        QVERIFY(holder.waitForReadyRead(30000));
        QCOMPARE(holder.readAllStandardOutput(), QByteArray("locked\n"));
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

    // Start at login copies the desktop entry of an installed tree, and only for the program
    // that entry starts.
    void registerStartupCopiesTheInstalledEntry()
    {
        const QString id = QStringLiteral("com.corvane.Larkspan");
        QTemporaryDir dir;
        const QString tree = dir.path() + QStringLiteral("/usr");
        QDir().mkpath(tree + QStringLiteral("/lib/larkspan"));
        QDir().mkpath(tree + QStringLiteral("/share/applications"));
        const QString program = tree + QStringLiteral("/lib/larkspan/Larkspan");
        writeFile(program, "");
        QFile::link(QStringLiteral("lib/larkspan/Larkspan"), tree + QStringLiteral("/larkspan"));
        const QString installed = tree + QStringLiteral("/share/applications/") + id + QStringLiteral(".desktop");
        writeFile(installed, "[Desktop Entry]\nName=Larkspan\nExec=" + tree.toUtf8() + "/larkspan\nIcon=larkspan\n");
        QCOMPARE(AppUtils::installedDesktopEntry(program, id), installed);
        // A copy of the tree elsewhere still names the original launcher; a build folder has no tree.
        QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                                   {QStringLiteral("-a"), tree, dir.path() + QStringLiteral("/moved")}),
                 0);
        QVERIFY(
            AppUtils::installedDesktopEntry(dir.path() + QStringLiteral("/moved/lib/larkspan/Larkspan"), id).isEmpty());
        const QString path = AppUtils::autostartFilePath(id);
        AppUtils::registerStartup(*qApp, id);
        QVERIFY(!QFile::exists(path));

        AppUtils::writeAutostartEntry(installed, id);
        const QString content = AppUtils::readFileToString(path);
        QCOMPARE(content, AppUtils::readFileToString(installed) + QStringLiteral("X-GNOME-Autostart-enabled=true\n"));
        // An entry that is already right is not written again (its time stays an hour old).
        const QDateTime anHourAgo = QDateTime::currentDateTimeUtc().addSecs(-3600);
        {
            QFile entry(path);
            QVERIFY(entry.open(QIODevice::ReadWrite));
            QVERIFY(entry.setFileTime(anHourAgo, QFileDevice::FileModificationTime));
        }
        AppUtils::writeAutostartEntry(installed, id);
        QCOMPARE(QFileInfo(path).lastModified().toUTC(), anHourAgo);
        // A stale entry (an older install elsewhere) is replaced; one the user switched off stays.
        writeFile(path, "[Desktop Entry]\nExec=/old/place/Larkspan\n");
        AppUtils::writeAutostartEntry(installed, id);
        QCOMPARE(AppUtils::readFileToString(path), content);
        for (const QByteArray& off : {QByteArray("Hidden=true\n"), QByteArray("X-GNOME-Autostart-enabled=false\n")}) {
            writeFile(path, "[Desktop Entry]\nExec=/old/place/Larkspan\n" + off);
            AppUtils::writeAutostartEntry(installed, id);
            QVERIFY(AppUtils::readFileToString(path).endsWith(QString::fromLatin1(off)));
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
    }

    void macAddressLooksLikeHardware()
    {
        const QString mac = AppUtils::getMacAddress();
        if (mac.isEmpty())
            QSKIP("no non-loopback interface with a hardware address here");
        QVERIFY2(QRegularExpression(QStringLiteral("^([0-9A-F]{2}:){5}[0-9A-F]{2}$")).match(mac).hasMatch(),
                 qPrintable(mac));
        QVERIFY(mac != QLatin1String("00:00:00:00:00:00"));
    }
};

LARKSPAN_TEST_MAIN(TestAppUtils, QApplication)
#include "tst_apputils.moc"
