#include "AppUtils.h"
#include "SettingsKeys.h"
#include "Startup.h"
#include "TestClock.h"
#include "TestHome.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QNetworkAccessManager>
#include <QSqlDatabase>
#include <QtTest>

#include <sys/stat.h>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void applicationNamesFollowTheDeveloperFlag()
    {
        setApplicationNames();
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Corvane"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Larkspan"));
        const QString iniPath = iniSettings().fileName();

        iniSettings().setValue(IniKeys::devCacheFolderUsed, true);
        setApplicationNames();
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("LarkspanDev"));
        QVERIFY(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                    .endsWith(QLatin1String("/Corvane/LarkspanDev")));
        QVERIFY(QSettings().fileName().endsWith(QLatin1String("/Corvane/LarkspanDev.conf")));
        // The flag file itself is the same one in both modes.
        QCOMPARE(iniSettings().fileName(), iniPath);
        QVERIFY(iniPath.endsWith(QLatin1String("/Corvane/Larkspan.ini")));

        iniSettings().remove(IniKeys::devCacheFolderUsed);
        setApplicationNames();
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Larkspan"));
    }

    void flagsDefaultToFalse()
    {
        QVERIFY(!isMultiInstanceAllowed());
        QVERIFY(!isUpdateDisabled());
        iniSettings().setValue(IniKeys::multiInstanceAllowed, true);
        QVERIFY(isMultiInstanceAllowed());
        iniSettings().remove(IniKeys::multiInstanceAllowed);
        QCOMPARE(logFileName(QStringLiteral("LarkspanDev"), ".log"), QStringLiteral("LarkspanDev.log"));
    }

    void obsoleteDataFolderIsRemovedWhole()
    {
        setApplicationNames();
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        touch(folder + QStringLiteral("/larkspan.db"));
        removeOldDataFolder();
        QVERIFY2(QFile::exists(folder + QStringLiteral("/larkspan.db")), "no timelogs.db: left alone");

        touch(folder + QStringLiteral("/timelogs.db"));
        touch(folder + QStringLiteral("/sub/more.txt"));
        removeOldDataFolder();
        QVERIFY(!QDir(folder).exists());
    }

    void startupSettings()
    {
        setApplicationNames();
        QSettings settings;
        settings.clear();
        const TestClock clock(QDateTime(QDate(2024, 3, 13), QTime(10, 0, 7, 900), Qt::UTC));
        writeStartupSettings(settings);
        const QString start = settings.value(Keys::appStartTime).toString();
        const QString uuid = settings.value(Keys::clientUuid).toString();
        const QString mac = settings.value(Keys::macAddress).toString();
        QCOMPARE(start, QStringLiteral("20240313100007"));
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                     .match(uuid)
                     .hasMatch(),
                 qPrintable(uuid));

        settings.setValue(Keys::macAddress, QStringLiteral("kept-value"));
        writeStartupSettings(settings);
        QCOMPARE(settings.value(Keys::macAddress).toString(), QStringLiteral("kept-value"));
        QVERIFY(settings.value(Keys::clientUuid).toString() != uuid);
        // Never empty: without a hardware address a generated identifier stands in.
        QVERIFY(!mac.isEmpty());
    }

    void userFilesBecomePrivateWhateverTheUmask()
    {
        const mode_t old = ::umask(022);
        setApplicationNames();
        QSettings settings;
        settings.setValue(Keys::language, QStringLiteral("en"));
        settings.sync();
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        ::chmod(QFile::encodeName(settings.fileName()).constData(), 0644);
        protectUserFiles(settings);
        ::umask(old);
        const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
            | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFile::permissions(settings.fileName()) & others, QFile::Permissions());
        QCOMPARE(QFile::permissions(QFileInfo(settings.fileName()).absolutePath()) & others, QFile::Permissions());
        QCOMPARE(QFile::permissions(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)) & others,
                 QFile::Permissions());
    }

    // Network access without the bearer plugins, and every other plugin still found: the
    // SQL driver the stores need and the network managers made afterwards.
    void bearerPluginsStayUnloaded()
    {
        const QStringList paths = QCoreApplication::libraryPaths();
        leaveBearerPluginsUnloaded();
        QCOMPARE(QCoreApplication::libraryPaths(), paths);
        QNetworkAccessManager later;
        QVERIFY(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe")).isValid());
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libqsqlite"));
        QVERIFY2(!mapped.contains("/bearer/"), "a bearer plugin was loaded");
    }
};

LARKSPAN_TEST_MAIN(TestStartup, QApplication)
#include "tst_startup.moc"
