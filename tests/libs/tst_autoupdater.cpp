#include "AutoUpdaterWinSparkle.h"
#include "DevServerProcess.h"
#include "HostileService.h"
#include "HttpProbe.h"
#include "TestHome.h"
#include "UpdateInstaller.h"

#include <QApplication>
#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QtTest>

namespace {
const QString kFeed = QStringLiteral("/updates/appcast-linux-x64.xml");

// The shown update window, else any.
QWidget* updateWindow()
{
    QWidget* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("UpdateWindow") && (!found || w->isVisible()))
            found = w;
    return found;
}

bool windowShown()
{
    QWidget* w = updateWindow();
    return w && w->isVisible();
}

QString text(const char* name)
{
    QWidget* w = updateWindow();
    QLabel* label = w ? w->findChild<QLabel*>(QLatin1String(name)) : nullptr;
    return label ? label->text() : QString();
}

void click(const char* button)
{
    QWidget* w = updateWindow();
    QVERIFY(w);
    auto* b = w->findChild<QPushButton*>(QLatin1String(button));
    QVERIFY(b && b->isVisible());
    b->click();
}

// What the program keeps in its settings, kept here across the updaters a test starts one
// after another (restarts), on a clock the test moves.
struct Kept {
    QDateTime lastCheck;
    QString skippedVersion;
    qint64 clockOffsetSecs = 0;
};
Kept kept;

class KeptState : public UpdateState
{
public:
    QDateTime nowUtc() const override { return QDateTime::currentDateTimeUtc().addSecs(kept.clockOffsetSecs); }
    QDateTime lastCheck() const override { return kept.lastCheck; }
    void setLastCheck(const QDateTime& utc) override { kept.lastCheck = utc; }
    QString skippedVersion() const override { return kept.skippedVersion; }
    void setSkippedVersion(const QString& version) override { kept.skippedVersion = version; }
};

std::unique_ptr<UpdateState> keptState()
{
    return std::make_unique<KeptState>();
}

bool runCheck(AutoUpdaterWinSparkle& updater, bool withUI)
{
    QSignalSpy finished(&updater, &AutoUpdaterWinSparkle::checkFinished);
    withUI ? updater.checkForUpdatesWithUI() : updater.checkForUpdatesInBackground();
    return finished.wait(10000);
}
} // namespace

// The updater against the reference server's feeds: what is offered, what the user's
// choices do, and that only a package of the announced size with a valid signature is
// ever handed to the installer.
class TestAutoUpdater : public QObject
{
    Q_OBJECT
private:
    DevServerProcess _server;
    std::unique_ptr<HttpProbe> _probe;
    QTemporaryDir _installerDir;
    QString _record;

    void offer(const QString& query)
    {
        QCOMPARE(_probe->post(QStringLiteral("/dev/updates?reset=1&") + query, "", "text/plain").status, 200);
    }
    QString feedUrl(const QString& path = kFeed) const { return _server.url(path).toString(); }
    QString place(const QString& name, const QByteArray& content)
    {
        QFile file(_server.dataDir() + QStringLiteral("/updates/") + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return QString();
        return feedUrl(QStringLiteral("/updates/") + name);
    }
    int feedRequests()
    {
        const QJsonObject requests =
            _probe->get(QStringLiteral("/dev/updates")).json()[QStringLiteral("requests")].toObject();
        return requests[QStringLiteral("appcast-linux-x64.xml")].toInt();
    }
    QStringList packagesLeft() const
    {
        return QDir(UpdateInstaller::packageFolder()).entryList(QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(_server.start(), qPrintable(_server.errorString()));
        _probe = std::make_unique<HttpProbe>(_server.baseUrl());
        // A stand-in for the system's installer that notes what it was given.
        _record = _installerDir.filePath(QStringLiteral("opened"));
        const QString script = _installerDir.filePath(QStringLiteral("installer.sh"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral("#!/bin/sh\ncp \"$1\" '%1.pkg' && printf '%s\\n' \"$@\" > '%1'\n").arg(_record).toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("LARKSPAN_UPDATE_INSTALLER", script.toUtf8());
    }

    void init()
    {
        kept = Kept();
        QFile::remove(_record);
        QFile::remove(_record + QStringLiteral(".pkg"));
        UpdateInstaller::clearPackageFolder();
    }

    void offersOnlyNewerVersions_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<bool>("newer");
        QTest::newRow("2.8.10 after 2.8.9") << "2.8.9"
                                            << "2.8.10"
                                            << "inline" << true;
        QTest::newRow("2.8.9 before 2.8.10") << "2.8.10"
                                             << "2.8.9"
                                             << "inline" << false;
        QTest::newRow("same version") << "2.8.1"
                                      << "2.8.1"
                                      << "inline" << false;
        QTest::newRow("notes by link") << "2.8.1"
                                       << "2.9"
                                       << "link" << true;
    }
    void offersOnlyNewerVersions()
    {
        QFETCH(QString, running);
        QFETCH(QString, offered);
        QFETCH(QString, notes);
        QFETCH(bool, newer);
        offer(QStringLiteral("version=%1&notes=%2").arg(offered, notes));
        AutoUpdaterWinSparkle updater(running, feedUrl(), keptState());
        QVERIFY(runCheck(updater, true));
        QVERIFY(windowShown());
        if (newer) {
            QCOMPARE(text("labelTitle"), QStringLiteral("A new version of Larkspan is available!"));
            QVERIFY2(text("labelInfo").contains(offered), qPrintable(text("labelInfo")));
            auto* notesView = updateWindow()->findChild<QTextBrowser*>(QStringLiteral("textNotes"));
            QVERIFY(notesView->toPlainText().contains(QStringLiteral("Development build")));
        } else {
            QCOMPARE(text("labelTitle"), QStringLiteral("You're up to date!"));
            QVERIFY(!updateWindow()->findChild<QPushButton*>(QStringLiteral("btnInstall"))->isVisible());
        }
    }

    void skippedVersionStaysSkipped()
    {
        offer(QStringLiteral("version=2.8.10"));
        {
            AutoUpdaterWinSparkle updater(QStringLiteral("2.8.9"), feedUrl(), keptState());
            QVERIFY(runCheck(updater, false));
            QVERIFY(windowShown()); // a background check that finds a version shows it
            click("btnSkip");
            QVERIFY(!windowShown());
        }
        // After a restart, background checks keep quiet about that version...
        AutoUpdaterWinSparkle restarted(QStringLiteral("2.8.9"), feedUrl(), keptState());
        QVERIFY(runCheck(restarted, false));
        QVERIFY(!windowShown());
        // ...but a user who asks still sees it, and a later version is offered again.
        QVERIFY(runCheck(restarted, true));
        QVERIFY(text("labelInfo").contains(QStringLiteral("2.8.10")));
        click("btnRemind");
        offer(QStringLiteral("version=2.8.11"));
        QVERIFY(runCheck(restarted, false));
        QVERIFY(windowShown());
        QVERIFY(text("labelInfo").contains(QStringLiteral("2.8.11")));
    }

    // The reference server's test package says it is version 1.0.
    void installHandsOverOnlyVerifiedPackages_data()
    {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("verified") << "1.0"
                                  << "none" << QString();
        QTest::newRow("wrong signature") << "1.0"
                                         << "signature"
                                         << "signature is not valid";
        QTest::newRow("wrong length") << "1.0"
                                      << "length"
                                      << "differs from the announced size";
        QTest::newRow("old package relabelled") << "99.0"
                                                << "none"
                                                << "holds version 1.0, not the offered version 99.0";
    }
    void installHandsOverOnlyVerifiedPackages()
    {
        QFETCH(QString, offered);
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        offer(QStringLiteral("version=%1&fault=%2").arg(offered, fault));
        AutoUpdaterWinSparkle updater(QStringLiteral("0.9"), feedUrl(), keptState());
        QVERIFY(runCheck(updater, true));
        // A background check while the offer is on screen leaves it as it is.
        QVERIFY(runCheck(updater, false));
        click("btnInstall");
        QTRY_VERIFY_WITH_TIMEOUT(text("labelTitle") != QLatin1String("Downloading update..."), 10000);
        if (reason.isEmpty()) {
            QCOMPARE(text("labelTitle"), QStringLiteral("Ready to install"));
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(_record), 30000);
            QFile opened(_record + QStringLiteral(".pkg"));
            QVERIFY(opened.open(QIODevice::ReadOnly));
            QCOMPARE(opened.readAll(), _probe->get(QStringLiteral("/updates/larkspan-update-test.deb")).body);
            QVERIFY(QFile::exists(UpdateInstaller::packageFolder() + QStringLiteral("/larkspan_1.0.deb")));
            // The old version runs on until restarted; background checks do not nag about
            // the version already installed.
            click("btnClose");
            QVERIFY(runCheck(updater, false));
            QVERIFY(!windowShown());
            return;
        }
        QCOMPARE(text("labelTitle"), QStringLiteral("The update was refused"));
        QVERIFY2(text("labelStatus").contains(reason), qPrintable(text("labelStatus")));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(_record));
        QVERIFY2(packagesLeft().isEmpty(), qPrintable(packagesLeft().join(' ')));
    }

    void plainHttpOnlyFromThisMachine()
    {
        // A feed elsewhere over http is refused before any connection is made.
        AutoUpdaterWinSparkle remote(QStringLiteral("2.8.9"),
                                     QStringLiteral("http://192.0.2.1/updates/appcast-linux-x64.xml"), keptState());
        QVERIFY(runCheck(remote, true));
        QCOMPARE(text("labelTitle"), QStringLiteral("Larkspan could not check for updates"));
        QVERIFY(text("labelStatus").contains(QStringLiteral("https")));
        remote.cleanup();

        // So is a package elsewhere over http, even with a valid signature in a local feed.
        offer(QStringLiteral("version=2.9.0"));
        QByteArray feed = _probe->get(kFeed).body;
        const QByteArray local = _server.baseUrl().toString().toUtf8();
        QVERIFY(feed.contains(local));
        feed.replace(local, "http://192.0.2.1");
        AutoUpdaterWinSparkle updater(QStringLiteral("2.8.9"), place(QStringLiteral("appcast-elsewhere.xml"), feed),
                                      keptState());
        QVERIFY(runCheck(updater, true));
        click("btnInstall");
        QTRY_COMPARE_WITH_TIMEOUT(text("labelTitle"), QStringLiteral("The update was refused"), 30000);
        QVERIFY(text("labelStatus").contains(QStringLiteral("https")));
        QVERIFY(!QFile::exists(_record));
    }

    void brokenFeedsAreNotUpToDate_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("reason");
        QTest::newRow("an error page") << QByteArray("<html><body>502 Bad Gateway</body></html>") << "not valid";
        QTest::newRow("cut off") << QByteArray("<rss version=\"2.0\"><channel><item><title>Lark") << "not valid";
        QTest::newRow("endless") << QByteArray(3 * 1024 * 1024, ' ') << "more than";
    }
    void brokenFeedsAreNotUpToDate()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, reason);
        AutoUpdaterWinSparkle updater(QStringLiteral("2.8.9"), place(QStringLiteral("appcast-broken.xml"), feed),
                                      keptState());
        QVERIFY(runCheck(updater, true));
        QCOMPARE(text("labelTitle"), QStringLiteral("Larkspan could not check for updates"));
        QVERIFY2(text("labelStatus").contains(reason), qPrintable(text("labelStatus")));
    }

    // An endless feed in small chunks is cut off at its cap as it arrives, not read whole.
    void endlessChunkedFeedIsCutOff()
    {
        HostileService hostile;
        HostileService::Reply endless("<rss version=\"2.0\"><channel>");
        endless.headers = {"Content-Type: application/xml"};
        endless.filler = qint64(1) << 30;
        endless.chunkBytes = 64 * 1024;
        hostile.answer(endless);
        resetPeakMemory();
        const qint64 before = peakMemoryMiB();
        QElapsedTimer clock;
        clock.start();
        AutoUpdaterWinSparkle updater(QStringLiteral("2.8.9"), hostile.url(kFeed), keptState());
        QVERIFY(runCheck(updater, true));
        QCOMPARE(text("labelTitle"), QStringLiteral("Larkspan could not check for updates"));
        QVERIFY2(text("labelStatus").contains(QStringLiteral("more than")), qPrintable(text("labelStatus")));
        // Reading the whole GiB takes minutes and a GiB of memory; the bounds leave room for a
        // busy machine, where the toolkit's network thread buffers more before the cut.
        QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(peakMemoryMiB() - before < 256, qPrintable(QString::number(peakMemoryMiB() - before)));
    }

    void cancelledDownloadLeavesNothing()
    {
        offer(QStringLiteral("version=2.9.0"));
        AutoUpdaterWinSparkle updater(QStringLiteral("2.8.9"), feedUrl(), keptState());
        QVERIFY(runCheck(updater, true));
        QCOMPARE(_probe->post(QStringLiteral("/dev/behaviour?delay=all:1500"), "", "text/plain").status, 200);
        click("btnInstall");
        QCOMPARE(text("labelTitle"), QStringLiteral("Downloading update..."));
        click("btnCancel");
        QVERIFY(!windowShown());
        QTest::qWait(2500);
        QCOMPARE(_probe->post(QStringLiteral("/dev/behaviour?reset=1"), "", "text/plain").status, 200);
        QVERIFY(!windowShown());
        QVERIFY(!QFile::exists(_record));
        QVERIFY(packagesLeft().isEmpty());
    }

    // A monthly check is due a month after the last one, across restarts; a restart does
    // not start the month again.
    void longIntervalsCountFromTheLastCheck()
    {
        constexpr int month = 2629800;
        offer(QStringLiteral("version=2.8.9"));
        {
            AutoUpdaterWinSparkle first(QStringLiteral("2.8.9"), feedUrl(), keptState());
            QVERIFY(runCheck(first, false));
        }
        QCOMPARE(feedRequests(), 1);

        // Started again the next day: a check due now would begin at once; none does.
        kept.clockOffsetSecs += 86400;
        {
            AutoUpdaterWinSparkle restarted(QStringLiteral("2.8.9"), feedUrl(), keptState());
            QSignalSpy finished(&restarted, &AutoUpdaterWinSparkle::checkFinished);
            restarted.setUpdateCheckInterval(month);
            restarted.setAutomaticChecks(true);
            QVERIFY(!finished.wait(2000));
        }
        QCOMPARE(feedRequests(), 1);

        // Started again a month after that check: due at once.
        kept.clockOffsetSecs += month - 86400;
        AutoUpdaterWinSparkle later(QStringLiteral("2.8.9"), feedUrl(), keptState());
        QSignalSpy finished(&later, &AutoUpdaterWinSparkle::checkFinished);
        later.setUpdateCheckInterval(month);
        later.setAutomaticChecks(true);
        QVERIFY(finished.wait(10000));
        QCOMPARE(feedRequests(), 2);
    }
};

LARKSPAN_TEST_MAIN(TestAutoUpdater, QApplication)
#include "tst_autoupdater.moc"
