#include "AppSignals.h"
#include "DatabaseManager.h"
#include "EventManager.h"
#include "OfflineWindow.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "Translations.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTranslator>
#include <QWindow>
#include <QtTest>

namespace {

QDateTime localAt(int hour, int minute, int second)
{
    return QDateTime(QDate(2024, 3, 5), QTime(hour, minute, second), Qt::LocalTime);
}

template <typename T> T* child(QWidget& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

DatabaseManager& db()
{
    return DatabaseManager::instance();
}

void addIdleMarker(const QDateTime& when)
{
    TimeEvent idle(when.toUTC(), TimeEvent::strIdle(), TimeEvent::strIdle(), TimeEvent::strEmpty());
    db().timeEventDao.addTimeEvent(idle);
}

int idleMarkers()
{
    int count = int(db().timeLogDao.idleTimeLogs()->size());
    const auto events = db().timeEventDao.timeEvents();
    for (const auto& event : *events)
        count += event->appName() == TimeEvent::strIdle();
    return count;
}

} // namespace

// The prompt after an idle period, wired to a real event manager and time-log store as the
// tray wires it in the program.
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
        db().timeLogDao.removeAllTimeLogs();
        db().timeEventDao.removeAllTimeEvents();
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
        minutes->setValue(90); // no more than the user was away
        QCOMPARE(minutes->value(), 46);

        // The rounded-up preset must not reach into the time tracked after the return.
        QTest::mouseClick(child<QPushButton>(window, "btnLogTime"), Qt::LeftButton);
        const auto logs = db().timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(1));
        QCOMPARE(logs->front()->endTime(), localAt(9, 45, 30).toUTC());
    }

    void logTimeRecordsManualTimeFromTheIdleStart()
    {
        QSettings().setValue(Keys::offlineType, QStringLiteral("Meeting"));
        const QDateTime start = localAt(9, 0, 0);
        addIdleMarker(start);
        OfflineWindow window(start, localAt(11, 10, 0));
        QSignalSpy cancelled(AppSignals::instance(), &AppSignals::cancelIdleTime);
        QSignalSpy closed(&window, &OfflineWindow::closed);
        window.askForComment();

        auto* type = child<QComboBox>(window, "comboBoxType");
        QCOMPARE(type->currentText(), QStringLiteral("Meeting"));
        auto* hours = child<QSpinBox>(window, "spinBoxHours");
        QCOMPARE(hours->maximum(), 2);
        QCOMPARE(child<QSpinBox>(window, "spinBoxMinutes")->maximum(), 10);
        hours->setValue(1);
        type->setCurrentText(QStringLiteral("Thinking"));
        QTest::mouseClick(child<QPushButton>(window, "btnLogTime"), Qt::LeftButton);

        const auto logs = db().timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(1));
        QCOMPARE(logs->front()->appName(), QStringLiteral("@_Thinking_@"));
        QCOMPARE(logs->front()->windowTitle(), TimeEvent::strEmpty());
        QCOMPARE(logs->front()->startTime(), start.toUTC());
        QCOMPARE(logs->front()->endTime(), start.toUTC().addSecs(3600 + 600));
        QCOMPARE(QSettings().value(Keys::offlineType).toString(), QStringLiteral("Thinking"));
        QCOMPARE(cancelled.count(), 1);
        QCOMPARE(idleMarkers(), 0);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }

    void titleBarCloseIsCancel()
    {
        QSettings().setValue(Keys::offlineType, QStringLiteral("Gardening"));
        addIdleMarker(localAt(14, 0, 0));
        OfflineWindow window(localAt(14, 0, 0), localAt(14, 30, 0));
        QSignalSpy added(AppSignals::instance(), &AppSignals::addManulTime);
        QSignalSpy closed(&window, &OfflineWindow::closed);
        window.askForComment();
        // A type no longer offered leaves the first one selected.
        QCOMPARE(child<QComboBox>(window, "comboBoxType")->currentText(), QStringLiteral("Reading"));

        window.windowHandle()->close();
        QCOMPARE(added.count(), 0);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(db().timeLogDao.allTimeLogs()->empty());
        QCOMPARE(idleMarkers(), 0);
    }

    // The keys of a dialog: Enter on the focused "Log Time" or in the comment logs the time,
    // Enter on a focused "Cancel" and Escape anywhere cancel.
    // "1 hour 1 minute", not "1 hours 1 minutes", and the units follow the user's changes.
    void unitsFollowTheirNumbers()
    {
        QTranslator english;
        Translations::switchTo(english, QLocale(QLocale::English, QLocale::UnitedStates));
        OfflineWindow window(localAt(9, 0, 0), localAt(10, 1, 0));
        window.askForComment();
        QCOMPARE(child<QLabel>(window, "labelHours")->text(), QStringLiteral("hour"));
        QCOMPARE(child<QLabel>(window, "label_3")->text(), QStringLiteral("minute"));
        child<QSpinBox>(window, "spinBoxHours")->setValue(0);
        QCOMPARE(child<QLabel>(window, "labelHours")->text(), QStringLiteral("hours"));
        child<QSpinBox>(window, "spinBoxMinutes")->setValue(0);
        QCOMPARE(child<QLabel>(window, "label_3")->text(), QStringLiteral("minutes"));

        QTranslator german;
        Translations::switchTo(german, QLocale(QStringLiteral("de_DE")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        child<QSpinBox>(window, "spinBoxMinutes")->setValue(1);
        QCOMPARE(child<QLabel>(window, "label_3")->text(), QStringLiteral("Minute"));
        QCoreApplication::removeTranslator(&german);
        QCoreApplication::removeTranslator(&english);
        QLocale::setDefault(QLocale::system());
    }

    void keyboardLogsAndCancels()
    {
        QSignalSpy added(AppSignals::instance(), &AppSignals::addManulTime);
        // Which key, given to which field, and whether it logs the time.
        const auto press = [](const char* field, int key, Qt::KeyboardModifiers modifiers) {
            OfflineWindow window(localAt(10, 0, 0), localAt(10, 30, 0));
            QSignalSpy closed(&window, &OfflineWindow::closed);
            window.askForComment();
            auto* target = child<QWidget>(window, field);
            target->setFocus();
            QTest::keyClick(target, Qt::Key(key), modifiers);
            return closed.count() == 1 && !window.isVisible();
        };
        QVERIFY(press("btnLogTime", Qt::Key_Return, Qt::NoModifier));
        QCOMPARE(added.count(), 1);
        QVERIFY(press("txtComment", Qt::Key_Enter, Qt::KeypadModifier));
        QCOMPARE(added.count(), 2);
        QVERIFY(press("spinBoxMinutes", Qt::Key_Escape, Qt::NoModifier));
        QVERIFY(press("btnCancel", Qt::Key_Return, Qt::NoModifier));
        QCOMPARE(added.count(), 2);
    }

    void typeIsRecordedInEnglishWhateverTheLanguage()
    {
        const QDateTime start = localAt(9, 0, 0);
        addIdleMarker(start);
        OfflineWindow window(start, localAt(9, 45, 30));
        window.askForComment();
        auto* type = child<QComboBox>(window, "comboBoxType");
        // The form's list and the names the service knows stay in step.
        for (int i = 0; i < type->count(); ++i)
            QCOMPARE(type->itemData(i).toString(), type->itemText(i));

        // Switched to German while open: the prompt keeps its real period, and fits it.
        QTranslator german;
        QVERIFY(Translations::load(german, QLocale(QStringLiteral("de_DE"))));
        qApp->installTranslator(&german);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        auto* question = child<QLabel>(window, "labelQuestion");
        QCOMPARE(question->text(),
                 QCoreApplication::translate("OfflineWindow", "Add an Activity Note to your Timeline (%1 - %2)?")
                     .arg(QStringLiteral("09:00:00"), QStringLiteral("09:45:30")));
        QVERIFY(question->text() != QStringLiteral("Add an Activity Note to your Timeline (09:00:00 - 09:45:30)?"));
        QVERIFY(question->width() >= question->minimumSizeHint().width());

        const QString meeting = QCoreApplication::translate("OfflineWindow", "Meeting");
        QVERIFY(meeting != QLatin1String("Meeting"));
        type->setCurrentIndex(type->findText(meeting));
        QTest::mouseClick(child<QPushButton>(window, "btnLogTime"), Qt::LeftButton);
        qApp->removeTranslator(&german);

        const auto logs = db().timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(1));
        QCOMPARE(logs->front()->appName(), QStringLiteral("@_Meeting_@"));
        QCOMPARE(QSettings().value(Keys::offlineType).toString(), QStringLiteral("Meeting"));
    }

    void cleanupTestCase() { manager.reset(); }

private:
    std::unique_ptr<EventManager> manager;
};

LARKSPAN_TEST_MAIN(TestOfflineWindow, QApplication)
#include "tst_offlinewindow.moc"
