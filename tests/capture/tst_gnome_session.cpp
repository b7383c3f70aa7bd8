#include "GnomeSession.h"
#include "ReportedWindowDetector.h"
#include "MutterIdleMonitor.h"
#include "SessionBus.h"
#include "TestHome.h"
#include "TimeEvent.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QtTest>

#include <atomic>

namespace {

const QString kIdlePath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kIdleInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");

} // namespace

// Mutter's idle monitor as GNOME 43 answers on the session bus: numbered watches, a user-active
// watch dropped once it fires, WatchFired for the owner.
class StandInIdleMonitor : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    quint64 idleTime = 60000;
    uint nextId = 1;
    uint idleWatch = 0;
    QList<uint> userActiveWatches;
    QList<uint> removed;

public slots:
    uint AddIdleWatch(quint64) { return idleWatch = nextId++; }
    uint AddUserActiveWatch()
    {
        userActiveWatches << nextId;
        return nextId++;
    }
    void RemoveWatch(uint id) { removed << id; }
    quint64 GetIdletime() { return idleTime; }
};

// Larkspan's shell extension as the shell exports it.
class StandInFocus : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.Larkspan.FocusedWindow")
public:
    uint pid = 0;
    QString wmClass;
    QString title;

public slots:
    uint Get(QString& wmClassOut, QString& titleOut)
    {
        wmClassOut = wmClass;
        titleOut = title;
        return pid;
    }
};

class TestGnomeSession : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<SessionBus> _bus;
    StandInIdleMonitor _idle;
    StandInFocus _focus;
    std::atomic<int> _activity {0};
    std::atomic<int> _missing {0};

    int _run = 0;

    QString shellName() const { return QStringLiteral("stand-in-shell-%1").arg(_run); }
    QDBusConnection shell() { return QDBusConnection(shellName()); }

    // The shell owns both names, as gnome-shell does.
    bool serve(bool withExtension)
    {
        QDBusConnection connection = QDBusConnection::connectToBus(_bus->address(), shellName());
        // The bus frees the names of the previous test's connection a moment after it closed.
        QElapsedTimer timer;
        timer.start();
        while (!connection.registerService(QStringLiteral("org.gnome.Mutter.IdleMonitor")) && timer.elapsed() < 5000)
            QTest::qWait(50);
        while (!connection.registerService(QStringLiteral("org.gnome.Shell")) && timer.elapsed() < 5000)
            QTest::qWait(50);
        if (timer.elapsed() >= 5000 || !connection.registerObject(kIdlePath, &_idle, QDBusConnection::ExportAllSlots))
            return false;
        return !withExtension
            || connection.registerObject(QStringLiteral("/com/corvane/Larkspan/FocusedWindow"), &_focus,
                                         QDBusConnection::ExportAllSlots);
    }

    void fire(uint id)
    {
        shell().send(QDBusMessage::createSignal(kIdlePath, kIdleInterface, QStringLiteral("WatchFired")) << id);
    }

    std::unique_ptr<GnomeSession> startSession()
    {
        std::unique_ptr<GnomeSession> session = GnomeSession::connect();
        if (session)
            session->start([this] { ++_activity; }, [this] { ++_missing; });
        return session;
    }

private slots:
    // One bus for the whole run: libdbus reads the session bus address once per process.
    void initTestCase()
    {
        _bus = std::make_unique<SessionBus>();
        if (!_bus->isRunning())
            QSKIP(qPrintable(QStringLiteral("no private bus: ") + _bus->errorString()));
    }

    void cleanupTestCase() { _bus.reset(); }

    void init()
    {
        _idle.idleTime = 60000;
        _idle.nextId = 1;
        _idle.idleWatch = 0;
        _idle.userActiveWatches.clear();
        _idle.removed.clear();
        _activity = 0;
        _missing = 0;
    }

    void cleanup()
    {
        QDBusConnection::disconnectFromBus(shellName());
        ++_run;
    }

    // Without Mutter on the bus this is no GNOME session: the caller reads another source.
    void noMutterIsNoGnomeSession() { QVERIFY(!GnomeSession::connect()); }

    // Input after a pause is heard at once and keeps being reported while it goes on; a second
    // without input stops the reports, and the user's next return is heard again (the
    // user-active watch Mutter dropped when it fired has been armed anew).
    void activityFollowsMutterWatches()
    {
        QVERIFY(serve(true));
        auto session = startSession();
        QVERIFY(session);
        QTRY_VERIFY(_idle.idleWatch != 0 && !_idle.userActiveWatches.isEmpty());
        QTest::qWait(700);
        QCOMPARE(_activity.load(), 0);

        fire(_idle.userActiveWatches.last());
        QTRY_COMPARE_WITH_TIMEOUT(_activity.load(), 1, 400);
        QTest::qWait(1300);
        QVERIFY2(_activity.load() >= 3, qPrintable(QString::number(_activity.load())));
        QVERIFY(_idle.userActiveWatches.size() >= 2);

        fire(_idle.idleWatch);
        QTest::qWait(200);
        const int stopped = _activity.load();
        QTest::qWait(1200);
        QCOMPARE(_activity.load(), stopped);

        fire(_idle.userActiveWatches.last());
        QTRY_COMPARE_WITH_TIMEOUT(_activity.load(), stopped + 1, 400);

        // The watches are Mutter's to drop when the capture stops; no report after that.
        session->stop();
        const int atStop = _activity.load();
        QTRY_VERIFY(_idle.removed.contains(_idle.idleWatch));
        fire(_idle.userActiveWatches.last());
        QTest::qWait(800);
        QCOMPARE(_activity.load(), atStop);
    }

    // Started while the user types: reported without waiting for the next input.
    void aUserAtWorkAtStartIsActive()
    {
        _idle.idleTime = 200;
        QVERIFY(serve(true));
        auto session = startSession();
        QVERIFY(session);
        QTRY_VERIFY_WITH_TIMEOUT(_activity.load() >= 2, 1500);
    }

    // The window the extension names, with its application from the process, follows its
    // signal; a stranger's signal changes nothing, and "no window" becomes the unknown marker.
    void theExtensionNamesTheWindow()
    {
        _focus.pid = static_cast<uint>(QCoreApplication::applicationPid());
        _focus.wmClass = QStringLiteral("org.example.Notes");
        _focus.title = QString::fromUtf8("Notizen – Größe ✍");
        QVERIFY(serve(true));
        auto session = startSession();
        QVERIFY(session);
        ReportedWindowDetector detector([&session] { return session->focusedWindow(); }, {});
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        QTRY_COMPARE(detector.detect().windowTitle, _focus.title);
        QCOMPARE(detector.detect().appName, self);
        QCOMPARE(_missing.load(), 0);

        const auto changed = [](uint pid, const QString& wmClass, const QString& title) {
            return QDBusMessage::createSignal(QStringLiteral("/com/corvane/Larkspan/FocusedWindow"),
                                              QStringLiteral("com.corvane.Larkspan.FocusedWindow"),
                                              QStringLiteral("Changed"))
                << pid << wmClass << title;
        };
        QDBusConnection stranger = QDBusConnection::connectToBus(_bus->address(), QStringLiteral("stranger"));
        QVERIFY(stranger.send(changed(1, QStringLiteral("evil"), QStringLiteral("Forged"))));
        // A process that is gone leaves its WM class as the name.
        QVERIFY(shell().send(changed(0, QStringLiteral("org.example.Mail"), QStringLiteral("Inbox"))));
        QTRY_COMPARE(detector.detect().windowTitle, QStringLiteral("Inbox"));
        QCOMPARE(detector.detect().appName, QStringLiteral("org.example.Mail"));
        QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));

        QVERIFY(shell().send(changed(0, QString(), QString())));
        QTRY_COMPARE(detector.detect().windowTitle, TimeEvent::strUnknown());
        QCOMPARE(detector.detect().appName, TimeEvent::strUnknown());
    }

    // Extension missing: said once, the window stays unknown, activity is still reported; an
    // extension enabled later is heard from its first signal.
    void withoutTheExtensionWindowsAreUnknown()
    {
        QVERIFY(serve(false));
        auto session = startSession();
        QVERIFY(session);
        ReportedWindowDetector detector([&session] { return session->focusedWindow(); }, {});
        QTRY_COMPARE(_missing.load(), 1);
        QCOMPARE(detector.detect().appName, TimeEvent::strUnknown());
        QCOMPARE(detector.detect().windowTitle, TimeEvent::strUnknown());
        QTRY_VERIFY(!_idle.userActiveWatches.isEmpty());
        fire(_idle.userActiveWatches.last());
        QTRY_VERIFY(_activity.load() >= 1);

        QVERIFY(shell().send(QDBusMessage::createSignal(QStringLiteral("/com/corvane/Larkspan/FocusedWindow"),
                                                        QStringLiteral("com.corvane.Larkspan.FocusedWindow"),
                                                        QStringLiteral("Changed"))
                             << 0u << QStringLiteral("org.example.Notes") << QStringLiteral("Later")));
        QTRY_COMPARE(detector.detect().windowTitle, QStringLiteral("Later"));
        QCOMPARE(_missing.load(), 1);
    }
};

LARKSPAN_TEST_MAIN(TestGnomeSession, QCoreApplication)
#include "tst_gnome_session.moc"
