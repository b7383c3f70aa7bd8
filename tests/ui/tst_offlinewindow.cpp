#include "AppSignals.h"
#include "DatabaseManager.h"
#include "EventManager.h"
#include "OfflineWindow.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "TimeEvent.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QWindow>
#include <QtTest>

namespace {

QDateTime localAt(int hour, int minute, int second)
{
    return QDateTime(QDate(2024, 3, 5), QTime(hour, minute, second), Qt::LocalTime);
}

template <typename T>
T* child(QWidget& window, const char* name)
{
    T* widget = window.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

TimeLogDao& logs()
{
    return DatabaseManager::instance().timeLogDao;
}

void addIdleMarker(const QDateTime& when)
{
    TimeEvent idle(when.toUTC(), TimeEvent::strIdle(), TimeEvent::strIdle(), TimeEvent::strEmpty());
    DatabaseManager::instance().timeEventDao.addTimeEvent(idle);
}

int idleMarkers()
{
    int count = 0;
    const auto events = DatabaseManager::instance().timeEventDao.timeEvents();
    for (const auto& event : *events)
        count += event->appName() == TimeEvent::strIdle();
    return count + int(logs().idleTimeLogs()->size());
}

} // namespace

// The prompt after an idle period, wired to a real event manager and time-log store, as
// the tray wires it in the program.
class TestOfflineWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        AppSignals::init(qApp);
        manager = std::make_unique<EventManager>();
    }

    void init()
    {
        QSettings().clear();
        logs().removeAllTimeLogs();
        DatabaseManager::instance().timeEventDao.removeAllTimeEvents();
    }

    void shortIdleShowsTheLocalTimesAndMinutesOnly()
    {
        OfflineWindow window(localAt(9, 0, 0), localAt(9, 45, 30));
        window.askForComment();
        QVERIFY(window.isVisible());
        QCOMPARE(child<QLabel>(window, "labelQuestion")->text(),
                 QStringLiteral("Add an Activity Note to your Timeline (09:00:00 - 09:45:30)?"));
        QCOMPARE(child<QLabel>(window, "labelTimeElapsed")->text(), QStringLiteral("(Total Time Elapsed: 45m30s)"));
        QVERIFY(child<QSpinBox>(window, "spinBoxHours")->isHidden());
        QVERIFY(child<QLabel>(window, "labelHours")->isHidden());
        auto* minutes = child<QSpinBox>(window, "spinBoxMinutes");
        QCOMPARE(minutes->value(), 46);
        QCOMPARE(minutes->maximum(), 46);
        // The window must not grow past what the user was away for.
        minutes->setValue(90);
        QCOMPARE(minutes->value(), 46);
    }

    void logTimeRecordsManualTimeFromTheIdleStart()
    {
        QSettings().setValue(Keys::offlineType, QStringLiteral("Meeting"));
        const QDateTime start = localAt(9, 0, 0);
        addIdleMarker(start);
        OfflineWindow window(start, localAt(11, 10, 0));
        QSignalSpy added(AppSignals::instance(), &AppSignals::addManulTime);
        QSignalSpy cancelled(AppSignals::instance(), &AppSignals::cancelIdleTime);
        QSignalSpy closed(&window, &OfflineWindow::closed);
        window.askForComment();

        auto* type = child<QComboBox>(window, "comboBoxType");
        QCOMPARE(type->currentText(), QStringLiteral("Meeting"));
        auto* hours = child<QSpinBox>(window, "spinBoxHours");
        QVERIFY(hours->isVisible());
        QCOMPARE(hours->maximum(), 2);
        QCOMPARE(child<QSpinBox>(window, "spinBoxMinutes")->maximum(), 10);

        hours->setValue(1);
        type->setCurrentText(QStringLiteral("Thinking"));
        QTest::mouseClick(child<QPushButton>(window, "btnLogTime"), Qt::LeftButton);

        const auto stored = logs().allTimeLogs();
        QCOMPARE(stored->size(), size_t(1));
        const TimeLog& log = *stored->front();
        QCOMPARE(log.appName(), QStringLiteral("@_Thinking_@"));
        QCOMPARE(log.windowTitle(), TimeEvent::strEmpty());
        QCOMPARE(log.startTime(), start.toUTC());
        QCOMPARE(log.endTime(), start.toUTC().addSecs(3600 + 600));
        QCOMPARE(QSettings().value(Keys::offlineType).toString(), QStringLiteral("Thinking"));
        QCOMPARE(added.count(), 1);
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(idleMarkers(), 0);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    void titleBarCloseIsCancel()
    {
        QSettings().setValue(Keys::offlineType, QStringLiteral("Gardening"));
        const QDateTime start = localAt(14, 0, 0);
        addIdleMarker(start);
        OfflineWindow window(start, localAt(14, 30, 0));
        QSignalSpy added(AppSignals::instance(), &AppSignals::addManulTime);
        QSignalSpy cancelled(AppSignals::instance(), &AppSignals::cancelIdleTime);
        QSignalSpy closed(&window, &OfflineWindow::closed);
        window.askForComment();
        // A type no longer offered leaves the first one selected.
        QCOMPARE(child<QComboBox>(window, "comboBoxType")->currentText(), QStringLiteral("Reading"));
        child<QLineEdit>(window, "txtComment")->setText(QStringLiteral("lunch"));

        QVERIFY(window.windowHandle());
        window.windowHandle()->close();

        QCOMPARE(added.count(), 0);
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(logs().allTimeLogs()->empty());
        QCOMPARE(idleMarkers(), 0);
        QCOMPARE(QSettings().value(Keys::offlineType).toString(), QStringLiteral("Gardening"));
    }

    void cleanupTestCase()
    {
        manager.reset();
    }

private:
    std::unique_ptr<EventManager> manager;
};

LARKSPAN_TEST_MAIN(TestOfflineWindow, QApplication)
#include "tst_offlinewindow.moc"
