#include "CoreTestSupport.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "TimeEvent.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlRecord>
#include <QTimeZone>
#include <QtTest>

using namespace CoreTest;

namespace {

const QFile::Permissions ownerReadWrite = QFile::ReadOwner | QFile::WriteOwner;

TimeEvent eventAt(const QString& utcText, const QString& appName, const QString& title = QStringLiteral("Doc"))
{
    TimeEvent event(DateTimeUtils::fromUTCString(utcText), appName, title, QStringLiteral("@_empty_@"));
    return event;
}

QStringList damagedFiles()
{
    return QDir(dataFolder()).entryList({QStringLiteral("larkspan.db.damaged-*")}, QDir::Files);
}

} // namespace

class TestDatabaseManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useApplicationNames(); }
    void init() { resetHome(); }

    void constructionCreatesPrivateFolderFileAndTables()
    {
        QVERIFY(!QFileInfo::exists(dataFolder()));
        Manager manager;
        QVERIFY(QFileInfo::exists(dbPath()));
        QVERIFY(memory().tables().contains(QStringLiteral("time_events")));
        QVERIFY(disk().tables().contains(QStringLiteral("time_logs")));
        QCOMPARE(QFile::permissions(dbPath()) & 0x7077, ownerReadWrite);
        QCOMPARE(QFile::permissions(dataFolder()) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void existingLooseFileAndFolderAreTightened()
    {
        QDir().mkpath(dataFolder());
        QFile::setPermissions(dataFolder(), QFile::Permissions(0x7755));
        {
            Manager manager;
        }
        QFile::setPermissions(dbPath(), QFile::Permissions(0x6644));
        Manager manager;
        QCOMPARE(QFile::permissions(dbPath()) & 0x7077, ownerReadWrite);
        QCOMPARE(QFile::permissions(dataFolder()) & 0x0077, QFile::Permissions());
    }

    void addingSignsStoresAndNumbers()
    {
        Manager manager;
        TimeEvent event = eventAt(QStringLiteral("20200501100000"), QStringLiteral("editor"));
        manager.timeEventDao.addTimeEvent(event);
        QCOMPARE(event.signature(), TimeEvent::buildSignature(event));
        QVERIFY(event.id() > 0);

        QSqlQuery query(memory());
        QVERIFY(query.exec(QStringLiteral("SELECT id, sig FROM time_events")) && query.next());
        QCOMPARE(query.value(0).toLongLong(), event.id());
        QCOMPARE(query.value(1).toString(), event.signature());
    }

    void idsBeyond32BitsSurviveInsertLoadAndDelete()
    {
        Manager manager;
        execOrFail(memory(),
                   QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('time_events', 8589934591)"));
        TimeEvent event = eventAt(QStringLiteral("20200501100000"), QStringLiteral("editor"));
        manager.timeEventDao.addTimeEvent(event);
        QCOMPARE(event.id(), 8589934592LL);
        const auto events = manager.timeEventDao.timeEvents();
        QCOMPARE(events->size(), size_t(1));
        QCOMPARE(events->front()->id(), 8589934592LL);
        QVERIFY(events->front()->isValid());
        manager.timeEventDao.removeTimeEvent(events->front()->id());
        QCOMPARE(countRows(memory(), QStringLiteral("time_events")), 0);
    }

    void lastEventSettingsFollowTheMarkers()
    {
        Manager manager;
        TimeEvent idle = eventAt(QStringLiteral("20200501100000"), TimeEvent::strIdle());
        manager.timeEventDao.addTimeEvent(idle);
        QVERIFY(!manager.timeEventDao.lastUserEvent().isValid());
        QVERIFY(!manager.timeEventDao.lastPauseEvent().isValid());

        TimeEvent paused = eventAt(QStringLiteral("20200501100100"), TimeEvent::strPaused());
        manager.timeEventDao.addTimeEvent(paused);
        QVERIFY(!manager.timeEventDao.lastUserEvent().isValid());
        QCOMPARE(manager.timeEventDao.lastPauseEvent(), paused.eventTime());

        TimeEvent user = eventAt(QStringLiteral("20200501100200"), QStringLiteral("editor"));
        manager.timeEventDao.addTimeEvent(user);
        QCOMPARE(manager.timeEventDao.lastUserEvent(), user.eventTime());
        QCOMPARE(QSettings().value(Keys::lastUserEvent).toString(), QStringLiteral("20200501100200"));
        QCOMPARE(manager.timeEventDao.lastPauseEvent(), paused.eventTime());
    }

    void eventsComeBackInTimeOrderAndEditedRowsFailVerification()
    {
        Manager manager;
        const QStringList times = {QStringLiteral("20200501100010"), QStringLiteral("20200501100000"),
                                   QStringLiteral("20200501100005")};
        for (const QString& time : times) {
            TimeEvent event = eventAt(time, QStringLiteral("app-") + time);
            manager.timeEventDao.addTimeEvent(event);
        }
        execOrFail(memory(),
                   QStringLiteral("UPDATE time_events SET app_name = 'edited' WHERE event_time = '20200501100005'"));
        const auto events = manager.timeEventDao.timeEvents();
        QCOMPARE(events->size(), size_t(3));
        QCOMPARE(events->at(0)->eventTimeStr(), QStringLiteral("20200501100000"));
        QCOMPARE(events->at(1)->eventTimeStr(), QStringLiteral("20200501100005"));
        QCOMPARE(events->at(2)->eventTimeStr(), QStringLiteral("20200501100010"));
        QVERIFY(events->at(0)->isValid());
        QVERIFY(!events->at(1)->isValid());
        QVERIFY(events->at(2)->isValid());
        QCOMPARE(events->at(2)->eventTime(), QDateTime(QDate(2020, 5, 1), QTime(10, 0, 10), Qt::UTC));
    }

    void unicodeTextComesBackByteExact()
    {
        Manager manager;
        const QStringList titles = {QStringLiteral("Résumé – naïve façade"), QStringLiteral("日本語のタイトル 中文"),
                                    QStringLiteral("party 🎉😀 family 👨‍👩‍👧"),
                                    QStringLiteral("עברית ‏مرحبا بالعالم")};
        for (const QString& title : titles) {
            TimeEvent event = eventAt(QStringLiteral("20200501100000"), title, title);
            event.setMetaData(title);
            manager.timeEventDao.addTimeEvent(event);
        }
        const auto events = manager.timeEventDao.timeEvents();
        QCOMPARE(events->size(), size_t(titles.size()));
        for (int i = 0; i < titles.size(); ++i) {
            const TimeEvent& event = *events->at(size_t(i));
            QVERIFY(titles.contains(event.windowTitle()));
            QCOMPARE(event.appName().toUtf8(), event.windowTitle().toUtf8());
            QCOMPARE(event.metaData(), event.windowTitle());
            QVERIFY(event.isValid());
        }
    }

    void deletesByTimeMarkerAndAll()
    {
        Manager manager;
        TimeEvent before = eventAt(QStringLiteral("20200501115959"), QStringLiteral("editor"));
        TimeEvent atNoon = eventAt(QStringLiteral("20200501120000"), QStringLiteral("editor"));
        TimeEvent idle = eventAt(QStringLiteral("20200501120005"), TimeEvent::strIdle());
        for (TimeEvent* event : {&before, &atNoon, &idle})
            manager.timeEventDao.addTimeEvent(*event);

        // Noon given in local time of another zone still compares as UTC text.
        manager.timeEventDao.removeTimeEventsBefore(
            QDateTime(QDate(2020, 5, 1), QTime(14, 0), QTimeZone(QByteArrayLiteral("UTC+02:00"))));
        auto events = manager.timeEventDao.timeEvents();
        QCOMPARE(events->size(), size_t(2));
        QCOMPARE(events->front()->id(), atNoon.id());

        manager.timeEventDao.removeIdleTimeEvents();
        events = manager.timeEventDao.timeEvents();
        QCOMPARE(events->size(), size_t(1));
        QCOMPARE(events->front()->appName(), QStringLiteral("editor"));

        manager.timeEventDao.removeAllTimeEvents();
        QVERIFY(manager.timeEventDao.timeEvents()->empty());
    }

    void statementErrorLogsOneWarningWithDriverTextAndStatement()
    {
        Manager manager;
        TimeEvent event = eventAt(QStringLiteral("20200501100000"), QStringLiteral("editor"));
        event.setEventTime(QDateTime()); // null text is refused by NOT NULL
        MessageCatcher warnings(QtWarningMsg, QStringLiteral("^Query error: "));
        manager.timeEventDao.addTimeEvent(event);
        QCOMPARE(warnings.lines().size(), 1);
        const QString line = warnings.lines().constFirst();
        QVERIFY2(line.contains(QStringLiteral("NOT NULL")), qPrintable(line));
        QVERIFY(line.contains(QStringLiteral(", Query text: INSERT INTO time_events (event_time, app_name, "
                                             "window_title, meta_data, sig) VALUES (:event_time, :app_name, "
                                             ":window_title, :meta_data, :sig)")));
        QCOMPARE(event.id(), qint64(0));
        // The activity itself still counts.
        QVERIFY(QSettings().contains(Keys::lastUserEvent));
    }

    void fileThatIsNotADatabaseIsMovedAsideAndReplaced()
    {
        QDir().mkpath(dataFolder());
        QFile file(dbPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray junk = QByteArray("this is certainly not a database file\n").repeated(200);
        file.write(junk);
        file.close();

        MessageCatcher warnings(QtWarningMsg, QStringLiteral("^Disk DB file is damaged"));
        MessageCatcher nothingRead(QtWarningMsg, QStringLiteral("^No time logs could be read"));
        Manager manager;
        QCOMPARE(warnings.lines().size(), 1);
        QCOMPARE(nothingRead.lines().size(), 1);
        const QStringList moved = damagedFiles();
        QCOMPARE(moved.size(), 1);
        QFile kept(dataFolder() + QLatin1Char('/') + moved.constFirst());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), junk);

        TimeLog log;
        log.setStartTimeStr(QStringLiteral("20200501100000"));
        log.setEndTimeStr(QStringLiteral("20200501100100"));
        log.setAppName(QStringLiteral("editor"));
        log.setWindowTitle(QStringLiteral("Doc"));
        manager.timeLogDao.addTimeLog(log);
        QVERIFY(log.id() > 0);
        QCOMPARE(manager.timeLogDao.allTimeLogs()->size(), size_t(1));
        QCOMPARE(QFile::permissions(dbPath()) & 0x7077, ownerReadWrite);
    }

    // A damaged file is set aside, and the pending time still readable in it (with a
    // signature that holds) goes into the fresh file, including what lies past the damage.
    void corruptDatabaseIsMovedAsideAndItsReadableLogsRecovered()
    {
        {
            Manager manager;
            for (int i = 0; i < 400; ++i) {
                TimeLog log;
                log.setStartTimeStr(QStringLiteral("2020050110%1").arg(i, 4, 10, QLatin1Char('0')));
                log.setEndTimeStr(log.startTimeStr());
                log.setAppName(QStringLiteral("editor%1").arg(i));
                log.setWindowTitle(QString(200, QLatin1Char('x')));
                manager.timeLogDao.addTimeLog(log);
            }
            execOrFail(disk(),
                       QStringLiteral("UPDATE time_logs SET window_title = 'edited' WHERE app_name = 'editor398'"));
        }
        // Overwrite pages in the middle of the table, keeping the header intact.
        QFile file(dbPath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 40000);
        file.seek(4096 * 3);
        file.write(QByteArray(4096 * 4, '\x5a'));
        file.close();

        MessageCatcher report(QtWarningMsg, QStringLiteral("^Recovered \\d+ time logs from the damaged database"));
        Manager manager;
        const QStringList moved = damagedFiles();
        QCOMPARE(moved.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^larkspan\\.db\\.damaged-\\d{14}$"))
                    .match(moved.constFirst())
                    .hasMatch());
        QVERIFY(disk().tables().contains(QStringLiteral("time_logs")));

        const auto recovered = manager.timeLogDao.allTimeLogs();
        QStringList names;
        for (const auto& log : *recovered) {
            QVERIFY(log->isVerified());
            names << log->appName();
        }
        QVERIFY2(recovered->size() >= 300 && recovered->size() < 399, qPrintable(QString::number(recovered->size())));
        QVERIFY(names.contains(QStringLiteral("editor397")));
        QVERIFY(!names.contains(QStringLiteral("editor398")));
        QVERIFY(names.contains(QStringLiteral("editor399")));
        QCOMPARE(report.lines().size(), 1);
        QVERIFY2(
            report.lines().constFirst().startsWith(QStringLiteral("Recovered %1 time logs").arg(recovered->size())),
            qPrintable(report.lines().constFirst()));
        QVERIFY2(report.lines().constFirst().contains(QLatin1String("1 of them with a wrong signature")),
                 qPrintable(report.lines().constFirst()));
    }

    void healthyDatabaseIsLeftInPlace()
    {
        {
            Manager manager;
        }
        Manager manager;
        QVERIFY(damagedFiles().isEmpty());
    }
};

LARKSPAN_TEST_MAIN(TestDatabaseManager, QCoreApplication)
#include "tst_databasemanager.moc"
