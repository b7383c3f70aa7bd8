#include "AppUtils.h"
#include "AutoUpdaterWinSparkle.h"
#include "DevServerProcess.h"
#include "HttpProbe.h"
#include "ProgramAssembly.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "winsparkle.h"

#include <QApplication>
#include <QJsonObject>
#include <QSettings>
#include <QSysInfo>
#include <QtTest>

// The program's start-up of automatic updates, seen from the reference server: which feed
// is asked for, and whether it is asked for at all, at the interval from the settings.
class TestUpdateSetup : public QObject
{
    Q_OBJECT
private:
    DevServerProcess _server;
    std::unique_ptr<HttpProbe> _probe;
    // The feed for the word size the program was built for.
    const QString _stable =
        QSysInfo::WordSize == 64 ? QStringLiteral("appcast-linux-x64.xml") : QStringLiteral("appcast-linux-x86.xml");
    const QString _beta = QStringLiteral("beta/") + _stable;

    QJsonObject requests()
    {
        return _probe->get(QStringLiteral("/dev/updates")).json()[QStringLiteral("requests")].toObject();
    }
    int requests(const QString& file) { return requests()[file].toInt(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(_server.start(), qPrintable(_server.errorString()));
        _probe = std::make_unique<HttpProbe>(_server.baseUrl());
        qputenv("LARKSPAN_UPDATE_URL", _server.url(QStringLiteral("/updates/")).toEncoded());
    }

    void init()
    {
        QSettings().clear();
        iniSettings().clear();
        QCOMPARE(_probe->post(QStringLiteral("/dev/updates?reset=1"), "", "text/plain").status, 200);
    }

    void checksFollowTheSettings_data()
    {
        QTest::addColumn<QVariant>("updateEnabled");
        QTest::addColumn<bool>("updateDisabled");
        QTest::addColumn<bool>("beta");
        QTest::addColumn<bool>("checks");
        QTest::newRow("defaults") << QVariant() << false << false << true;
        QTest::newRow("beta channel") << QVariant(true) << false << true << true;
        QTest::newRow("updateEnabled false") << QVariant(false) << false << false << false;
        QTest::newRow("updateDisabled in the INI file") << QVariant(true) << true << true << false;
    }
    void checksFollowTheSettings()
    {
        QFETCH(QVariant, updateEnabled);
        QFETCH(bool, updateDisabled);
        QFETCH(bool, beta);
        QFETCH(bool, checks);
        QSettings settings;
        settings.setValue(Keys::updateInterval, 1);
        if (updateEnabled.isValid())
            settings.setValue(Keys::updateEnabled, updateEnabled);
        settings.setValue(Keys::updateBetaChannel, beta);
        iniSettings().setValue(IniKeys::updateDisabled, updateDisabled);

        ProgramAssembly program(*qApp);
        program.setUpAutomaticUpdates();
        auto* updater = dynamic_cast<AutoUpdaterWinSparkle*>(program.updater());
        QVERIFY(updater);
        const QString feed = beta ? _beta : _stable;
        QCOMPARE(updater->updateUrl(), _server.url(QStringLiteral("/updates/") + feed).toString());
        QCOMPARE(updater->automaticChecks(), checks);
        if (checks) {
            QTRY_VERIFY_WITH_TIMEOUT(requests(feed) >= 1, 20000);
            QCOMPARE(requests().size(), 1);
        } else {
            // Nothing may come: a check would follow a second after the start.
            QTest::qWait(2500);
            QVERIFY2(requests().isEmpty(), QJsonDocument(requests()).toJson().constData());
        }
    }

    void channelSwitchAndShutdown()
    {
        QSettings().setValue(Keys::updateInterval, 1);
        ProgramAssembly program(*qApp);
        program.setUpAutomaticUpdates();
        QTRY_VERIFY_WITH_TIMEOUT(requests(_stable) >= 1, 20000);
        // What the preferences do when the beta channel is switched on.
        program.updater()->setUpdateUrl(AppConstants::appcastUrl(true, AppUtils::isCompiledWith64bit()));
        QTRY_VERIFY_WITH_TIMEOUT(requests(_beta) >= 1, 20000);
        // At shutdown no further check is made (one would follow a second later).
        win_sparkle_cleanup();
        const QJsonObject before = requests();
        QTest::qWait(2500);
        QCOMPARE(requests(), before);
    }
};

LARKSPAN_TEST_MAIN(TestUpdateSetup, QApplication)
#include "tst_updatesetup.moc"
