#include "LarkspanRun.h"
#include "TestHome.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

const QString kId = QStringLiteral("com.corvane.Larkspan");

QString buildDir()
{
    return qEnvironmentVariable("LARKSPAN_BUILD_DIR");
}

// Runs a command to its end; its exit code, or -1 when it did not start or finish.
int run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// "Key=value" of a desktop entry, or "Key: value" of a package's control file.
QString entryValue(const QString& entry, const QString& key, const QString& separator = QStringLiteral("="))
{
    const auto match = QRegularExpression(QStringLiteral("^%1%2(.*)$").arg(key, separator), QRegularExpression::MultilineOption).match(entry);
    return match.captured(1).trimmed();
}

QString windowId(const XvfbSession& x, const QString& title)
{
    QByteArray ids;
    x.run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title}, 5000, &ids);
    return QString::fromLatin1(ids.trimmed().split('\n').first());
}

QStringList childExecutables(qint64 pid)
{
    QStringList exes;
    const QString children = readText(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    for (const QString& child : children.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        exes << QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(child));
    return exes;
}

} // namespace

// The installed program as a user's machine has it: from a prefix of its own, started
// through the launcher from an unrelated folder, and the Debian package of the same tree.
class TestInstallation : public QObject
{
    Q_OBJECT
private slots:
    void installedProgramFindsItsFiles()
    {
        // A space in the prefix, as in "/opt/My Apps": the desktop entry must quote it.
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/larkspan-install-XXXXXX"));
        const QString prefix = dir.path() + QStringLiteral("/larkspan prefix");
        QByteArray output;
        QVERIFY2(run(QStringLiteral("cmake"), {QStringLiteral("--install"), buildDir(), QStringLiteral("--prefix"), prefix}, &output) == 0,
                 output.constData());
        const QString programDir = prefix + QStringLiteral("/lib/larkspan");
        QCOMPARE(QFileInfo(prefix + QStringLiteral("/bin/larkspan")).canonicalFilePath(), programDir + QStringLiteral("/Larkspan"));
        for (const char* helper : {"crashpad_handler", "larkspan-crash-upload"})
            QVERIFY2(QFileInfo(programDir + QLatin1Char('/') + QLatin1String(helper)).isExecutable(), helper);
        QVERIFY(QFile::exists(programDir + QStringLiteral("/liblarkspan_webview.so")));

        // The desktop entry starts the launcher, and its icon exists in every size.
        const QString installedEntry = readText(prefix + QStringLiteral("/share/applications/") + kId + QStringLiteral(".desktop"));
        QCOMPARE(entryValue(installedEntry, QStringLiteral("Exec")), QStringLiteral("\"%1/bin/larkspan\"").arg(prefix));
        const QString icon = entryValue(installedEntry, QStringLiteral("Icon"));
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QImage image(QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/%3.png").arg(prefix).arg(size).arg(icon));
            QCOMPARE(image.size(), QSize(size, size));
        }

        // Started from elsewhere in German, nobody logged in: the login window in German.
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        LarkspanHome home;
        home.setIniFlag(QStringLiteral("debugEnabled"), true);
        QTemporaryDir elsewhere;
        auto program = home.start({QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("LC_ALL=de_DE.UTF-8"),
                                   QStringLiteral("LARKSPAN_SERVER_URL=http://127.0.0.1:9"),
                                   QStringLiteral("LARKSPAN_INGRESS_URL=http://127.0.0.1:9")},
                                  prefix + QStringLiteral("/bin/larkspan"), elsewhere.path());
        QTRY_VERIFY_WITH_TIMEOUT(!windowId(x, QStringLiteral("^Bitte bei Larkspan anmelden$")).isEmpty(), 10000);
        QByteArray iconProperty;
        x.run(QStringLiteral("xprop"), {QStringLiteral("-id"), windowId(x, QStringLiteral("^Bitte bei Larkspan anmelden$")), QStringLiteral("_NET_WM_ICON")}, 5000, &iconProperty);
        QVERIFY2(iconProperty.contains("Icon ("), iconProperty.left(200).constData());

        // Its crash handler and its libraries are the installed ones, not the build tree's.
        const qint64 pid = program->processId();
        QVERIFY(childExecutables(pid).contains(programDir + QStringLiteral("/crashpad_handler")));
        const QString maps = readText(QStringLiteral("/proc/%1/maps").arg(pid));
        QVERIFY(maps.contains(programDir + QStringLiteral("/liblarkspan-core.so.2")));
        QVERIFY(maps.contains(programDir + QStringLiteral("/libquillon.so.1")));
        QVERIFY(!maps.contains(buildDir()));

        // Start at login: the same entry as the menu's, so both start this launcher.
        const QString autostart = readText(home.path() + QStringLiteral("/.config/autostart/") + kId + QStringLiteral(".desktop"));
        QCOMPARE(autostart, installedEntry + QStringLiteral("X-GNOME-Autostart-enabled=true\n"));

        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        QCOMPARE(program->exitCode(), 0);
        QVERIFY(home.readLog().contains(QStringLiteral("Loaded translation:  %1/share/larkspan/translations/larkspan_de.qm").arg(prefix)));
    }

    // Packs this build tree (a development package: the release one is scripts/package.sh's).
    void debianPackage()
    {
        QTemporaryDir dir;
        QByteArray output;
        QVERIFY2(run(QStringLiteral("cpack"), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                               buildDir() + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), dir.path(),
                                               QStringLiteral("-D"), QStringLiteral("CPACK_DEBIAN_COMPRESSION_TYPE=gzip")}, &output) == 0,
                 output.constData());
        const QStringList debs = QDir(dir.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = dir.path() + QLatin1Char('/') + debs.first();

        const QString build = readText(qEnvironmentVariable("LARKSPAN_SOURCE_DIR") + QStringLiteral("/app/resources/build_number")).trimmed();
        QByteArray arch;
        run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}, &arch);
        QByteArray fields;
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Package"), QStringLiteral("Version"),
                                                  QStringLiteral("Architecture"), QStringLiteral("Depends")}, &fields), 0);
        const QString control = QString::fromUtf8(fields);
        QCOMPARE(entryValue(control, QStringLiteral("Package"), QStringLiteral(": ")), QStringLiteral("larkspan"));
        QCOMPARE(entryValue(control, QStringLiteral("Version"), QStringLiteral(": ")), QStringLiteral("2.8.") + build);
        QCOMPARE(entryValue(control, QStringLiteral("Architecture"), QStringLiteral(": ")), QString::fromLatin1(arch.trimmed()));
        QSet<QString> depends;
        for (const QString& item : entryValue(control, QStringLiteral("Depends"), QStringLiteral(": ")).split(QRegularExpression(QStringLiteral("[,|]"))))
            depends << item.trimmed().section(QLatin1Char(' '), 0, 0);
        for (const char* needed : {"libqt5core5a", "libqt5gui5", "libqt5widgets5", "libqt5network5", "libqt5dbus5", "libqt5sql5",
                                   "libqt5sql5-sqlite", "libqt5webenginewidgets5", "xdg-utils", "libdw1"})
            QVERIFY2(depends.contains(QLatin1String(needed)), needed);

        QByteArray listing;
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb}, &listing), 0);
        QStringList files;
        for (const QByteArray& line : listing.split('\n')) {
            const int at = line.indexOf(" ./");
            if (at >= 0)
                files << QString::fromUtf8(line.mid(at + 1));
        }
        for (const char* expected : {"./usr/bin/larkspan -> ../lib/larkspan/Larkspan", "./usr/lib/larkspan/Larkspan",
                                     "./usr/lib/larkspan/crashpad_handler", "./usr/lib/larkspan/larkspan-crash-upload",
                                     "./usr/lib/larkspan/liblarkspan-core.so.2 -> liblarkspan-core.so.2.8.0",
                                     "./usr/lib/larkspan/libquillon.so.1 -> libquillon.so.1.0.0",
                                     "./usr/lib/larkspan/liblarkspan_webview.so",
                                     "./usr/share/applications/com.corvane.Larkspan.desktop",
                                     "./usr/share/larkspan/translations/larkspan_de.qm",
                                     "./usr/share/icons/hicolor/256x256/apps/larkspan.png"})
            QVERIFY2(files.contains(QLatin1String(expected)), expected);
        // Nothing of the development tools and tests.
        const QStringList unwanted = files.filter(QRegularExpression(QStringLiteral("devserver|/tst_|bench|lib(larkspan-core|quillon)\\.so$|/include/")));
        QVERIFY2(unwanted.isEmpty(), qPrintable(unwanted.join(QLatin1Char(' '))));

        // Unpacked: the menu entry names /usr/bin, and the program keeps its symbol table.
        const QString root = dir.path() + QStringLiteral("/root");
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, root}), 0);
        const QString entry = readText(root + QStringLiteral("/usr/share/applications/com.corvane.Larkspan.desktop"));
        QCOMPARE(entryValue(entry, QStringLiteral("Exec")), QStringLiteral("/usr/bin/larkspan"));
        QByteArray sections;
        run(QStringLiteral("readelf"), {QStringLiteral("-S"), root + QStringLiteral("/usr/lib/larkspan/Larkspan")}, &sections);
        QVERIFY(sections.contains(".symtab"));
    }
};

LARKSPAN_TEST_MAIN(TestInstallation, QCoreApplication)
#include "tst_installation.moc"
