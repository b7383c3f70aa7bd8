#include "KWinWindowSource.h"
#include "SessionBus.h"
#include "TestHome.h"
#include "WaylandSession.h"
#include "WindowTitleText.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <memory>
#include <mutex>

namespace {

// What a test needs of KWin's scripting interface, on a connection and thread of its own
// so the program's blocking calls are answered. Plasma 5 and 6 place a loaded script at
// different paths.
class KWinStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")

public:
    QString scriptPathFormat;
    mutable std::mutex mutex;
    QStringList calls;
    bool leftover = false;
    // The id of a loaded script; -1 for a KWin that refuses it.
    int loadAnswer = 7;

public slots:
    int loadScript(const QString& path, const QString& plugin)
    {
        return note("load " + path + ' ' + plugin, loadAnswer);
    }
    bool isScriptLoaded(const QString& plugin) { return note("loaded? " + plugin, leftover); }
    bool unloadScript(const QString& plugin) { return note("unload " + plugin, true); }

public:
    QStringList seen() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }
    template <typename T> T note(const QString& call, T answer)
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls << call;
        return answer;
    }
};

class ScriptStandIn : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Script")

public:
    KWinStandIn* kwin = nullptr;

public slots:
    void run() { kwin->note(QStringLiteral("run"), 0); }
};

// The stand-ins on a thread of their own, KWin's name on the private bus, and the program's
// connection to it.
class KWinOnBus
{
public:
    KWinOnBus(const QString& busAddress, const QString& scriptPath)
    {
        script.kwin = &kwin;
        kwin.moveToThread(&thread);
        script.moveToThread(&thread);
        thread.start();
        kwinBus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(busAddress, QStringLiteral("kwin")));
        ready = kwinBus->registerObject(QStringLiteral("/Scripting"), &kwin, QDBusConnection::ExportAllSlots)
            && kwinBus->registerObject(scriptPath, &script, QDBusConnection::ExportAllSlots)
            && kwinBus->registerService(QStringLiteral("org.kde.KWin"));
        programBus =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(busAddress, QStringLiteral("program")));
    }
    ~KWinOnBus()
    {
        kwinBus.reset();
        programBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("kwin"));
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        thread.quit();
        thread.wait();
    }

    QThread thread;
    KWinStandIn kwin;
    ScriptStandIn script;
    std::unique_ptr<QDBusConnection> kwinBus;
    std::unique_ptr<QDBusConnection> programBus;
    bool ready = false;
};

} // namespace

class TestKWinWindowSource : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(_bus.isRunning(), qPrintable(_bus.errorString())); }

    void loadsRunsAndUnloadsOnEitherPlasma_data()
    {
        QTest::addColumn<QString>("scriptPath");
        QTest::addColumn<bool>("leftover");
        QTest::newRow("Plasma 5") << QStringLiteral("/7") << false;
        QTest::newRow("Plasma 6, a script left by a crashed run") << QStringLiteral("/Scripting/Script7") << true;
    }

    // The script must run whichever layout KWin has, a copy left loaded by an earlier run
    // must not report twice, and quitting must take the script out of KWin.
    void loadsRunsAndUnloadsOnEitherPlasma()
    {
        QFETCH(QString, scriptPath);
        QFETCH(bool, leftover);
        KWinOnBus onBus(_bus.address(), scriptPath);
        QVERIFY(onBus.ready);
        KWinStandIn& kwin = onBus.kwin;
        kwin.leftover = leftover;
        QDBusConnection& kwinBus = *onBus.kwinBus;
        QDBusConnection& programBus = *onBus.programBus;

        auto source = KWinWindowSource::start(programBus, QStringLiteral("/opt/main.js"));
        QVERIFY(source);
        QStringList expected {QStringLiteral("loaded? larkspan-activewindow")};
        if (leftover)
            expected << QStringLiteral("unload larkspan-activewindow");
        expected << QStringLiteral("load /opt/main.js larkspan-activewindow") << QStringLiteral("run");
        QCOMPARE(kwin.seen(), expected);

        // What the script sends, from KWin's connection.
        QDBusMessage report = QDBusMessage::createMethodCall(
            QLatin1String(KWinWindowSource::serviceName), QLatin1String(KWinWindowSource::objectPath),
            QStringLiteral("com.corvane.Larkspan.ActiveWindow"), QStringLiteral("report"));
        report << QStringLiteral("4242") << QStringLiteral("org.example.notes") << QStringLiteral("Notes");
        QCOMPARE(kwinBus.call(report, QDBus::BlockWithGui, 5000).type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(source->activeWindow().pid, 4242);
        QCOMPARE(source->activeWindow().title, QStringLiteral("Notes"));

        source.reset();
        QCOMPARE(kwin.seen().value(expected.size()), QStringLiteral("unload larkspan-activewindow"));
        QVERIFY(!programBus.interface()->isServiceRegistered(QLatin1String(KWinWindowSource::serviceName)));
    }

    // A Plasma session whose KWin refuses the script: no source, the name given back, and
    // what the program reports missing is the script, not a protocol KWin never offers.
    void aRefusedScriptIsNamedAsMissing()
    {
        KWinOnBus onBus(_bus.address(), QStringLiteral("/Scripting/Script7"));
        QVERIFY(onBus.ready);
        onBus.kwin.loadAnswer = -1;
        QVERIFY(!KWinWindowSource::start(*onBus.programBus, QStringLiteral("/opt/main.js")));
        QVERIFY(KWinWindowSource::kwinAnswers(*onBus.programBus));
        QVERIFY(!onBus.programBus->interface()->isServiceRegistered(QLatin1String(KWinWindowSource::serviceName)));

        WaylandOffer offer;
        offer.idleProtocol = QStringLiteral("org_kde_kwin_idle");
        offer.hasSeat = true;
        offer.failedWindowSource = QStringLiteral("KWin script");
        QVERIFY(!offer.canTrack());
        QCOMPARE(offer.missing(), QStringLiteral("the foreground window (Larkspan's KWin script did not load)"));
        QCOMPARE(offer.missingProtocols(), QStringLiteral("KWin script"));
    }

    // Not a Plasma session: nothing is loaded and no name taken.
    void withoutKWinThereIsNoSource()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(_bus.address(), QStringLiteral("alone"));
        QVERIFY(!KWinWindowSource::start(bus, QStringLiteral("/opt/main.js")));
        QVERIFY(!KWinWindowSource::kwinAnswers(bus));
        QVERIFY(!bus.interface()->isServiceRegistered(QLatin1String(KWinWindowSource::serviceName)));
        QDBusConnection::disconnectFromBus(QStringLiteral("alone"));
    }

    // Whatever a script or another caller sends: no pid that could name another process,
    // and a caption as bounded as an X11 title.
    void oddReportsAreBounded()
    {
        KWinWindowReceiver receiver;
        for (const char* pid : {"", "abc", "-12", "0", "12abc"}) {
            receiver.report(QLatin1String(pid), QStringLiteral("org.example.notes"), QStringLiteral("Notes"));
            QCOMPARE(receiver.current().pid, 0);
            QVERIFY(receiver.current().found);
        }
        const QString longCaption = QString(WindowTitleText::maxLength - 1, QLatin1Char('x')) + QString::fromUtf8("🚀🚀");
        receiver.report(QStringLiteral(" 77 "), QString(), longCaption);
        QCOMPARE(receiver.current().pid, 77);
        QCOMPARE(receiver.current().title, QString(WindowTitleText::maxLength - 1, QLatin1Char('x')));
        receiver.report(QString(), QString(), QString());
        QVERIFY(!receiver.current().found);
    }

private:
    SessionBus _bus;
};

LARKSPAN_TEST_MAIN(TestKWinWindowSource, QCoreApplication)
#include "tst_kwin_window_source.moc"
