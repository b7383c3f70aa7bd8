#include "LarkspanRun.h"
#include "TestHome.h"
#include "XvfbSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

const QString kEntry = QStringLiteral("/share/applications/com.corvane.Larkspan.desktop");

// Runs a command to its end; its output, or a null array when it failed.
QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok =
        process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    const QByteArray output = process.readAll();
    if (!ok)
        qWarning("%s failed: %s", qPrintable(program), output.constData());
    return ok ? output + ' ' : QByteArray();
}

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString entryValue(const QString& entry, const QString& key)
{
    return QRegularExpression(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption)
        .match(entry)
        .captured(1);
}

} // namespace

// The build tree as a user's machine gets it: installed into a prefix of its own and started
// through the launcher from an unrelated folder, and packed into a .deb.
class TestInstallation : public QObject
{
    Q_OBJECT
private slots:
    void installedProgramFindsItsFiles()
    {
        // A space in the prefix, as in "/opt/My Apps": the desktop entry must quote it.
        QTemporaryDir dir;
        const QString prefix = dir.path() + QStringLiteral("/larkspan prefix");
        QVERIFY(!run(QStringLiteral("cmake"),
                     {QStringLiteral("--install"), qEnvironmentVariable("LARKSPAN_BUILD_DIR"),
                      QStringLiteral("--prefix"), prefix})
                     .isNull());
        const QString entry = readText(prefix + kEntry);
        QCOMPARE(entryValue(entry, QStringLiteral("Exec")), QStringLiteral("\"%1/bin/larkspan\"").arg(prefix));
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString icon = QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/%3.png")
                                     .arg(prefix)
                                     .arg(size)
                                     .arg(entryValue(entry, QStringLiteral("Icon")));
            QCOMPARE(QImage(icon).size(), QSize(size, size));
        }

        // Started from elsewhere in German with nobody logged in: the login window, in German,
        // shows only when the libraries, the crash handler and the translations were found.
        XvfbSession x(XvfbSession::WindowManager::Openbox);
        QVERIFY2(x.isRunning(), qPrintable(x.errorString()));
        LarkspanHome home;
        QTemporaryDir elsewhere;
        auto program = home.start({QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("LC_ALL=de_DE.UTF-8"),
                                   QStringLiteral("LARKSPAN_SERVER_URL=http://127.0.0.1:9")},
                                  prefix + QStringLiteral("/bin/larkspan"), elsewhere.path());
        QTRY_VERIFY_WITH_TIMEOUT(x.xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--name"), QStringLiteral("^Bitte bei Larkspan anmelden$")}),
                                 10000);
        const QString programDir = prefix + QStringLiteral("/lib/larkspan");
        const qint64 pid = program->processId();
        QStringList children;
        for (const QString& child :
             readText(QStringLiteral("/proc/%1/task/%1/children").arg(pid)).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            children << QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(child));
        QVERIFY(children.contains(programDir + QStringLiteral("/crashpad_handler")));
        const QString maps = readText(QStringLiteral("/proc/%1/maps").arg(pid));
        QVERIFY(maps.contains(programDir + QStringLiteral("/liblarkspan-core.so.2")));
        QVERIFY(!maps.contains(qEnvironmentVariable("LARKSPAN_BUILD_DIR")));
        // Login starts the same launcher as the menu.
        QCOMPARE(readText(home.path() + QStringLiteral("/.config/autostart/com.corvane.Larkspan.desktop")),
                 entry + QStringLiteral("X-GNOME-Autostart-enabled=true\n"));
        QVERIFY(stopWithSignal(*program, SIGTERM) >= 0);
        QCOMPARE(program->exitCode(), 0);
    }

    // A development package of this tree; scripts/package.sh makes the release one.
    void debianPackage()
    {
        QTemporaryDir dir;
        QVERIFY(!run(QStringLiteral("cpack"),
                     {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                      qEnvironmentVariable("LARKSPAN_BUILD_DIR") + QStringLiteral("/CPackConfig.cmake"),
                      QStringLiteral("-B"), dir.path(), QStringLiteral("-D"),
                      QStringLiteral("CPACK_DEBIAN_COMPRESSION_TYPE=gzip")})
                     .isNull());
        const QStringList debs = QDir(dir.path()).entryList({QStringLiteral("*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = dir.path() + QLatin1Char('/') + debs.first();
        const auto field = [&deb](const char* name) {
            return QString::fromUtf8(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QLatin1String(name)}))
                .trimmed();
        };
        QCOMPARE(field("Package"), QStringLiteral("larkspan"));
        QCOMPARE(
            field("Version"),
            QStringLiteral("2.8.")
                + readText(qEnvironmentVariable("LARKSPAN_SOURCE_DIR") + QStringLiteral("/app/resources/build_number"))
                      .trimmed());
        QCOMPARE(field("Architecture"),
                 QString::fromLatin1(run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).trimmed()));
        const QStringList depends =
            field("Depends").split(QRegularExpression(QStringLiteral("\\s*(\\([^)]*\\))?\\s*[,|]\\s*")));
        for (const char* needed : {"libqt5core5a", "libqt5gui5", "libqt5widgets5", "libqt5network5", "libqt5dbus5",
                                   "libqt5sql5", "libqt5sql5-sqlite", "libqt5webenginewidgets5", "xdg-utils", "libdw1"})
            QVERIFY2(depends.contains(QLatin1String(needed)), needed);
        // Without a font for them, the Korean and Chinese texts are boxes.
        QVERIFY(field("Recommends").contains(QLatin1String("fonts-noto-cjk")));
        QVERIFY(field("Recommends").contains(QLatin1String("qtwayland5")));

        const QString listing = QString::fromUtf8(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb}));
        for (const char* file :
             {" ./usr/bin/larkspan -> ../lib/larkspan/Larkspan\n", " ./usr/lib/larkspan/Larkspan\n",
              " ./usr/lib/larkspan/crashpad_handler\n", " ./usr/lib/larkspan/larkspan-crash-upload\n",
              // Draws the tray's balloon where no notification service runs.
              " ./usr/lib/larkspan/larkspan-balloon\n", " ./usr/lib/larkspan/liblarkspan-core.so.2 -> ",
              " ./usr/lib/larkspan/liblarkspan_webview.so\n", " ./usr/share/larkspan/translations/larkspan_de.qm\n",
              " ./usr/share/icons/hicolor/48x48/apps/larkspan.png\n",
              // Without it a Plasma session's windows are not seen.
              " ./usr/share/larkspan/kwin/larkspan-activewindow/contents/code/main.js\n",
              " ./usr/share/larkspan/kwin/larkspan-activewindow/metadata.json\n"})
            QVERIFY2(listing.contains(QLatin1String(file)), file);
        // Nothing of the development tools, tests or development links.
        QVERIFY(!listing.contains(
            QRegularExpression(QStringLiteral("devserver|/tst_|bench|lib(larkspan-core|quillon)\\.so\\n"))));

        // Unpacked: the menu entry names the installed launcher; crash reports need the symbols.
        QVERIFY(!run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, dir.path() + QStringLiteral("/root")})
                     .isNull());
        QCOMPARE(entryValue(readText(dir.path() + QStringLiteral("/root/usr") + kEntry), QStringLiteral("Exec")),
                 QStringLiteral("/usr/bin/larkspan"));
        QVERIFY(run(QStringLiteral("readelf"),
                    {QStringLiteral("-S"), dir.path() + QStringLiteral("/root/usr/lib/larkspan/Larkspan")})
                    .contains(".symtab"));
    }

    // The package is built with the release preset (scripts/package.sh): the hook that
    // crashes the program on an environment variable is not compiled into it. This test
    // build carries it, so the check can tell the two apart.
    void releaseBuildLeavesTheCrashHookOut()
    {
        const auto compiled = [](const QString& buildDir) {
            return readText(buildDir + QStringLiteral("/compile_commands.json"));
        };
        QVERIFY(compiled(qEnvironmentVariable("LARKSPAN_BUILD_DIR")).contains(QLatin1String("CrashTestTrigger.cpp")));
        QTemporaryDir dir;
        QVERIFY(!run(QStringLiteral("cmake"),
                     {QStringLiteral("-S"), qEnvironmentVariable("LARKSPAN_SOURCE_DIR"), QStringLiteral("--preset"),
                      QStringLiteral("release"), QStringLiteral("-B"), dir.path(),
                      QStringLiteral("-DLARKSPAN_EXCLUDE_DIRS=tools/devserver")})
                     .isNull());
        const QString release = compiled(dir.path());
        QVERIFY(release.contains(QLatin1String("ProgramAssembly.cpp")));
        QVERIFY(!release.contains(QLatin1String("CrashTestTrigger")));
        QVERIFY(!release.contains(QLatin1String("LARKSPAN_CRASH_TEST_HOOK")));
    }
};

LARKSPAN_TEST_MAIN(TestInstallation, QCoreApplication)
#include "tst_installation.moc"
