#include "AppUtils.h"
#include "TestHome.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>

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

    void registerStartupWritesOnlyOnChange()
    {
        const QString id = QStringLiteral("com.corvane.larkspan");
        const QString path = AppUtils::autostartFilePath(id);
        QVERIFY(!QFile::exists(path));
        AppUtils::registerStartup(*qApp, id);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString content = QString::fromUtf8(file.readAll());
        file.close();
        QVERIFY(content.startsWith(QLatin1String("[Desktop Entry]\n")));
        QVERIFY(content.contains(QLatin1String("Exec=\"") + QCoreApplication::applicationFilePath() + QLatin1Char('"')));

        const QDateTime written = QFileInfo(path).lastModified();
        QThread::msleep(1100);
        AppUtils::registerStartup(*qApp, id);
        QCOMPARE(QFileInfo(path).lastModified(), written);

        // A stale entry (an older install elsewhere) is replaced.
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Desktop Entry]\nExec=/old/place/Larkspan\n");
        file.close();
        AppUtils::registerStartup(*qApp, id);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()), content);
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
