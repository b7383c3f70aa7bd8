#include "CoreTestSupport.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLog.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

using namespace CoreTest;

namespace {

const QString setupConnection = QStringLiteral("setup");

const QString currentTableSql = QStringLiteral(
    "CREATE TABLE time_logs (    id INTEGER PRIMARY KEY AUTOINCREMENT,     start_time VARCHAR NOT NULL,     "
    "end_time VARCHAR NOT NULL,     app_name VARCHAR NOT NULL,     window_title VARCHAR NOT NULL,     "
    "platform VARCHAR NOT NULL,     mac_address VARCHAR NOT NULL,     active_count INTEGER NOT NULL,     "
    "meta_data VARCHAR NOT NULL,     sig VARCHAR NOT NULL, user_id VARCHAR NOT NULL DEFAULT '')");
const QString indexSql = QStringLiteral("CREATE UNIQUE INDEX unique_key_timelog ON time_logs(start_time, end_time)");

TimeLog makeLog(const QString& start, const QString& end, const QString& appName,
                const QString& title = QStringLiteral("Doc"))
{
    TimeLog log;
    log.setStartTimeStr(start);
    log.setEndTimeStr(end);
    log.setAppName(appName);
    log.setWindowTitle(title);
    log.setPlatform(QStringLiteral("Debian GNU/Linux 12"));
    log.setMacAddress(QStringLiteral("00:11:22:33:44:55"));
    log.setActiveCount(3);
    log.setMetaData(QStringLiteral("m"));
    return log;
}

QString startOf(int i)
{
    return DateTimeUtils::toUTCString(QDateTime(QDate(2020, 5, 1), QTime(0, 0), Qt::UTC).addSecs(60 * i));
}

// A file as an earlier version left it: its own table layout, no unique index, a
// time_events table on disk. Rows are signed as they were stored.
class OldFile
{
public:
    explicit OldFile(const QString& tableSql = QStringLiteral(
                         "CREATE TABLE time_logs (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time VARCHAR, "
                         "end_time VARCHAR, app_name VARCHAR, window_title VARCHAR, platform VARCHAR, "
                         "mac_address VARCHAR, active_count INTEGER, meta_data VARCHAR, sig VARCHAR, "
                         "uploaded INTEGER DEFAULT 0)"))
    {
        QDir().mkpath(dataFolder());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), setupConnection);
        db.setDatabaseName(dbPath());
        db.open();
        execOrFail(db, tableSql);
        execOrFail(db, QStringLiteral("CREATE TABLE time_events (id INTEGER PRIMARY KEY, event_time VARCHAR)"));
        execOrFail(db, QStringLiteral("INSERT INTO time_events (event_time) VALUES ('20200101000000')"));
        db.transaction();
    }

    void add(TimeLog log, bool sign = true)
    {
        if (sign)
            log.setSignature(TimeLog::buildSignature(log));
        QSqlQuery query(QSqlDatabase::database(setupConnection));
        query.prepare(QStringLiteral("INSERT INTO time_logs (start_time, end_time, app_name, window_title, platform, "
                                     "mac_address, active_count, meta_data, sig) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant& value : {QVariant(log.startTimeStr()), QVariant(log.endTimeStr()), QVariant(log.appName()),
                                      QVariant(log.windowTitle()), QVariant(log.platform()), QVariant(log.macAddress()),
                                      QVariant(log.activeCount()), QVariant(log.metaData()), QVariant(log.signature())})
            query.addBindValue(value);
        if (!query.exec())
            qFatal("old row not inserted");
    }

    void exec(const QString& sql) { execOrFail(QSqlDatabase::database(setupConnection), sql); }

    void close()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(setupConnection);
            db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase(setupConnection);
    }
};

// Makes userId the stored user, as a login would.
void logInAs(const QString& userId)
{
    UserInfo user;
    user.setCvUserId(userId);
    user.setRefreshToken(userId.isEmpty() ? QString() : QStringLiteral("refresh-") + userId);
    user.save();
}

QList<qint64> idsOf(const TimeLogDao::TimeLogs& logs)
{
    QList<qint64> ids;
    for (const auto& log : logs)
        ids << log->id();
    return ids;
}

QString schemaOf(const QString& name)
{
    QSqlQuery query(disk());
    query.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = ?"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return QString();
    return query.value(0).toString();
}

} // namespace

class TestTimeLogDao : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useApplicationNames(); }
    void init() { resetHome(); }

    void carryOverRebuildsSchemaAndKeepsEveryLog()
    {
        OldFile old;
        for (int i = 0; i < 5; ++i)
            old.add(makeLog(startOf(10 - i), startOf(11 - i), QStringLiteral("app%1").arg(i)));
        old.close();

        Manager manager;
        QCOMPARE(schemaOf(QStringLiteral("time_logs")), currentTableSql);
        QCOMPARE(schemaOf(QStringLiteral("unique_key_timelog")), indexSql);
        QVERIFY(!disk().tables().contains(QStringLiteral("time_events")));

        const auto logs = manager.timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(5));
        for (size_t i = 0; i < logs->size(); ++i) {
            const TimeLog& log = *logs->at(i);
            QCOMPARE(log.id(), qint64(i + 1));
            QCOMPARE(log.appName(), QStringLiteral("app%1").arg(i));
            QVERIFY(log.isVerified());
        }
        // The latest end among them, not the end of the last one loaded, which is older:
        // the join point never moves back.
        QCOMPARE(QSettings().value(Keys::lastConvertedEvent).toString(), startOf(11));
    }

    void carryOverCollapsesDuplicatesAndKeepsEditedRowsUnverified()
    {
        OldFile old;
        old.add(makeLog(startOf(1), startOf(2), QStringLiteral("first")));
        old.add(makeLog(startOf(1), startOf(2), QStringLiteral("second")));
        TimeLog edited = makeLog(startOf(3), startOf(4), QStringLiteral("real"));
        edited.setSignature(TimeLog::buildSignature(edited));
        edited.setAppName(QStringLiteral("edited by hand"));
        old.add(edited, false);
        old.close();

        Manager manager;
        const auto logs = manager.timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(2));
        QCOMPARE(logs->at(0)->appName(), QStringLiteral("first"));
        QVERIFY(logs->at(0)->isVerified());
        QCOMPARE(logs->at(1)->appName(), QStringLiteral("edited by hand"));
        QVERIFY(!logs->at(1)->isVerified());
    }

    void restartKeepsLogsAndSignatures()
    {
        {
            Manager manager;
            TimeLog log = makeLog(startOf(1), startOf(2), QStringLiteral("editor"));
            manager.timeLogDao.addTimeLog(log);
            TimeLog other = makeLog(startOf(2), startOf(3), QStringLiteral("mail"));
            manager.timeLogDao.addTimeLog(other);
        }
        execOnFile(QStringLiteral("UPDATE time_logs SET window_title = 'changed' WHERE app_name = 'mail'"));
        for (int run = 0; run < 2; ++run) {
            Manager manager;
            const auto logs = manager.timeLogDao.allTimeLogs();
            QCOMPARE(logs->size(), size_t(2));
            QVERIFY(logs->at(0)->isVerified());
            QVERIFY(!logs->at(1)->isVerified());
        }
    }

    void unreadableOldTableIsKeptAsItIs()
    {
        // Rows past the 3rd cannot be read: their title, computed, overflows.
        OldFile old(QStringLiteral("CREATE TABLE time_logs (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time VARCHAR, "
                                   "end_time VARCHAR, app_name VARCHAR, platform VARCHAR, mac_address VARCHAR, "
                                   "active_count INTEGER, meta_data VARCHAR, sig VARCHAR)"));
        for (int i = 0; i < 6; ++i)
            old.exec(QStringLiteral("INSERT INTO time_logs (start_time, end_time, app_name, platform, mac_address, "
                                    "active_count, meta_data, sig) VALUES ('%1', '%2', 'app', 'p', 'm', 1, '', 's')")
                         .arg(startOf(i), startOf(i + 1)));
        old.exec(QStringLiteral("ALTER TABLE time_logs ADD COLUMN window_title GENERATED ALWAYS AS "
                                "(CASE WHEN id > 3 THEN abs(-9223372036854775807 - 1) ELSE 'Doc' END) VIRTUAL"));
        old.close();
        QSettings().setValue(Keys::lastConvertedEvent, QStringLiteral("20200501000000"));

        MessageCatcher warnings(QtWarningMsg, QStringLiteral("Could not read all cached time logs"));
        Manager manager;
        QCOMPARE(warnings.lines().size(), 1);
        QVERIFY(schemaOf(QStringLiteral("time_logs")).contains(QStringLiteral("GENERATED")));
        QSqlQuery query(disk());
        QVERIFY(query.exec(QStringLiteral("SELECT COUNT(*) FROM time_logs")) && query.next());
        QCOMPARE(query.value(0).toInt(), 6);
        QVERIFY(disk().tables().contains(QStringLiteral("time_events")));
        QCOMPARE(QSettings().value(Keys::lastConvertedEvent).toString(), QStringLiteral("20200501000000"));
    }

    // A log keeps its id through a restart, so the service can tell a log it already holds
    // (its answer lost on the way) from a new one; new logs never take an id in use.
    void carryOverKeepsIdsAndOwners()
    {
        OldFile old;
        for (int i = 0; i < 8; ++i)
            old.add(makeLog(startOf(i), startOf(i + 1), QStringLiteral("app%1").arg(i)));
        // Uploaded ones were deleted: the ids left have gaps and do not start at 1.
        old.exec(QStringLiteral("DELETE FROM time_logs WHERE id IN (1, 2, 3, 5)"));
        old.close();
        {
            Manager manager;
            QCOMPARE(idsOf(*manager.timeLogDao.allTimeLogs()), QList<qint64>({4, 6, 7, 8}));
            logInAs(QStringLiteral("alice"));
            TimeLog added = makeLog(startOf(20), startOf(21), QStringLiteral("new"));
            manager.timeLogDao.addTimeLog(added);
            QCOMPARE(added.id(), qint64(9));
        }
        logInAs(QStringLiteral("bob"));
        Manager again;
        const auto logs = again.timeLogDao.allTimeLogs();
        QCOMPARE(idsOf(*logs), QList<qint64>({4, 6, 7, 8, 9}));
        for (const auto& log : *logs)
            QVERIFY(log->isVerified());
        // Alice's log stays hers after the restart, whoever is logged in now.
        QCOMPARE(idsOf(*again.timeLogDao.timeLogsForUpload(500, QStringLiteral("bob"))), QList<qint64>({4, 6, 7, 8}));
        QCOMPARE(idsOf(*again.timeLogDao.timeLogsForUpload(500, QStringLiteral("alice"))),
                 QList<qint64>({4, 6, 7, 8, 9}));
    }

    // Logs go to the user they were built for, or, built before anyone logged in, to
    // whoever logs in; never to another user.
    void uploadBatchHoldsOnlyTheUsersOwnAndUnownedLogs()
    {
        Manager manager;
        const QStringList owners = {QString(), QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("alice")};
        for (int i = 0; i < owners.size(); ++i) {
            logInAs(owners[i]);
            TimeLog log = makeLog(startOf(i), startOf(i + 1), QStringLiteral("app%1").arg(i));
            manager.timeLogDao.addTimeLog(log);
        }
        TimeLog idle = makeLog(startOf(10), startOf(11), TimeEvent::strIdle());
        manager.timeLogDao.addTimeLog(idle);

        QCOMPARE(idsOf(*manager.timeLogDao.timeLogsForUpload(500, QStringLiteral("alice"))), QList<qint64>({1, 2, 4}));
        QCOMPARE(idsOf(*manager.timeLogDao.timeLogsForUpload(1, QStringLiteral("alice"))), QList<qint64>({1}));
        QCOMPARE(idsOf(*manager.timeLogDao.timeLogsForUpload(500, QStringLiteral("bob"))), QList<qint64>({1, 3}));
        QCOMPARE(idsOf(*manager.timeLogDao.timeLogsForUpload(500, QStringLiteral("carol"))), QList<qint64>({1}));
        QCOMPARE(manager.timeLogDao.countForUpload(QStringLiteral("alice"), 100), qint64(3));
        QCOMPARE(manager.timeLogDao.countForUpload(QStringLiteral("alice"), 2), qint64(2));
        QCOMPARE(manager.timeLogDao.countForUpload(QStringLiteral("carol"), 100), qint64(1));
    }

    // A start with a backlog of weeks: the logs move inside the database, and every rule
    // of the carry-over still holds.
    void largeBacklogCarriesOverWithItsRules()
    {
        constexpr int kLogs = 20000;
        OldFile old;
        for (int i = 0; i < kLogs; ++i)
            old.add(makeLog(startOf(i), startOf(i + 1), i == kLogs - 1 ? TimeEvent::strIdle() : QStringLiteral("app")));
        old.add(makeLog(startOf(5), startOf(6), QStringLiteral("later duplicate")));
        old.close();

        Manager manager;
        QSqlQuery query(disk());
        QVERIFY(query.exec(
            QStringLiteral("SELECT COUNT(*), MIN(id), MAX(id), SUM(app_name = 'later duplicate') FROM time_logs")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), kLogs);
        QCOMPARE(query.value(1).toInt(), 1);
        QCOMPARE(query.value(2).toInt(), kLogs);
        QCOMPARE(query.value(3).toInt(), 0);
        // The last log is idle: the join point is the end of the last activity before it.
        QCOMPARE(QSettings().value(Keys::lastConvertedEvent).toString(), startOf(kLogs - 1));
        QVERIFY(!disk().tables().contains(QStringLiteral("time_logs_carried")));
        const auto batch = manager.timeLogDao.timeLogsForUpload(500, QString());
        QCOMPARE(batch->size(), size_t(500));
        for (const auto& log : *batch)
            QVERIFY(log->isVerified());
    }

    void crashDuringCarryOverLosesNothing()
    {
        OldFile old;
        for (int i = 0; i < 300; ++i)
            old.add(makeLog(startOf(i), startOf(i + 1), QStringLiteral("app%1").arg(i)));
        old.close();

        QProcess helper;
        helper.start(QStringLiteral(CARRYOVER_CRASH_HELPER), {dbPath(), QStringLiteral("150")});
        QVERIFY(helper.waitForFinished(60000));
        QCOMPARE(helper.exitCode(), 3); // died half-way through the inserts

        Manager manager;
        const auto logs = manager.timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(300));
        for (const auto& log : *logs)
            QVERIFY(log->isVerified());
        QCOMPARE(schemaOf(QStringLiteral("time_logs")), currentTableSql);
    }

    void addTimeLogSignsNumbersAndRecordsTheEnd()
    {
        Manager manager;
        TimeLog log =
            makeLog(QStringLiteral("20200501095500"), QStringLiteral("20200501100000"), QStringLiteral("editor"));
        manager.timeLogDao.addTimeLog(log);
        QCOMPARE(log.id(), qint64(1));
        QVERIFY(log.isVerified());
        QCOMPARE(manager.timeLogDao.lastConvertedEvent(), QDateTime(QDate(2020, 5, 1), QTime(10, 0), Qt::UTC));

        const auto loaded = manager.timeLogDao.allTimeLogs();
        QCOMPARE(loaded->size(), size_t(1));
        QCOMPARE(loaded->front()->signature(), log.signature());
        QCOMPARE(loaded->front()->activeCount(), 3);
        QCOMPARE(loaded->front()->metaData(), QStringLiteral("m"));
        QVERIFY(loaded->front()->isVerified());
    }

    void duplicateSpanIsRefusedButStillAdvancesTheEnd()
    {
        Manager manager;
        TimeLog first = makeLog(startOf(1), startOf(2), QStringLiteral("editor"));
        manager.timeLogDao.addTimeLog(first);
        QSettings().setValue(Keys::lastConvertedEvent, QStringLiteral("20000101000000"));

        TimeLog again = makeLog(startOf(1), startOf(2), QStringLiteral("mail"));
        again.setId(55);
        MessageCatcher warnings(QtWarningMsg, QStringLiteral("^Query error: .*UNIQUE"));
        manager.timeLogDao.addTimeLog(again);
        QCOMPARE(warnings.lines().size(), 1);
        QCOMPARE(again.id(), qint64(0));
        QCOMPARE(manager.timeLogDao.allTimeLogs()->size(), size_t(1));
        QCOMPARE(QSettings().value(Keys::lastConvertedEvent).toString(), startOf(2));
    }

    // Started on a full disk, the table could not be made; once there is room, the run's
    // logs are stored instead of failing until the next start.
    void tableMissingSinceStartIsMadeWhenALogArrives()
    {
        Manager manager;
        QSqlQuery drop(disk());
        QVERIFY(drop.exec(QStringLiteral("DROP TABLE time_logs")));

        TimeLog log = makeLog(startOf(1), startOf(2), QStringLiteral("editor"));
        QCOMPARE(manager.timeLogDao.addTimeLog(log), TimeLogDao::AddResult::Stored);
        QCOMPARE(schemaOf(QStringLiteral("time_logs")), currentTableSql);
        QCOMPARE(schemaOf(QStringLiteral("unique_key_timelog")), indexSql);
        TimeLog again = makeLog(startOf(1), startOf(2), QStringLiteral("mail"));
        QCOMPARE(manager.timeLogDao.addTimeLog(again), TimeLogDao::AddResult::Duplicate);
        QCOMPARE(manager.timeLogDao.allTimeLogs()->size(), size_t(1));
    }

    void uploadBatchIsOldestOrdinaryLogsFirst()
    {
        Manager manager;
        const QStringList apps = {QStringLiteral("c"),    TimeEvent::strIdle(),          QStringLiteral("a"),
                                  TimeEvent::strPaused(), QStringLiteral("@_Meeting_@"), QStringLiteral("b")};
        const QList<int> starts = {30, 1, 10, 2, 40, 20};
        for (int i = 0; i < apps.size(); ++i) {
            TimeLog log = makeLog(startOf(starts[i]), startOf(starts[i] + 1), apps[i]);
            manager.timeLogDao.addTimeLog(log);
        }

        auto batch = manager.timeLogDao.timeLogsForUpload(2);
        QCOMPARE(batch->size(), size_t(2));
        QCOMPARE(batch->at(0)->appName(), QStringLiteral("a"));
        QCOMPARE(batch->at(1)->appName(), QStringLiteral("b"));

        batch = manager.timeLogDao.timeLogsForUpload(500);
        QStringList names;
        for (const auto& log : *batch)
            names << log->appName();
        QCOMPARE(names,
                 QStringList(
                     {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("@_Meeting_@")}));

        const auto idle = manager.timeLogDao.idleTimeLogs();
        QCOMPARE(idle->size(), size_t(1));
        QCOMPARE(idle->front()->appName(), TimeEvent::strIdle());
    }

    void manualTimeIsAnUnsummarisedSpan()
    {
        Manager manager;
        const QDateTime start(QDate(2020, 5, 1), QTime(9, 0), Qt::UTC);
        manager.timeLogDao.addManualTime(start, start.addSecs(1800), QStringLiteral("@_Meeting_@"),
                                         QStringLiteral("standup"));
        const auto logs = manager.timeLogDao.allTimeLogs();
        QCOMPARE(logs->size(), size_t(1));
        const TimeLog& log = *logs->front();
        QCOMPARE(log.startTimeStr(), QStringLiteral("20200501090000"));
        QCOMPARE(log.endTimeStr(), QStringLiteral("20200501093000"));
        QCOMPARE(log.windowTitle(), QStringLiteral("standup"));
        QCOMPARE(log.activeCount(), 0);
        QVERIFY(log.metaData().isEmpty());
        QVERIFY(log.isValid() && log.isVerified());
        QCOMPARE(manager.timeLogDao.lastConvertedEvent(), start.addSecs(1800));
    }

    void removals()
    {
        Manager manager;
        const QStringList apps = {QStringLiteral("a"), TimeEvent::strIdle(), TimeEvent::strPaused(),
                                  TimeEvent::strIdle(), QStringLiteral("b")};
        for (int i = 0; i < apps.size(); ++i) {
            TimeLog log = makeLog(startOf(i), startOf(i + 1), apps[i]);
            manager.timeLogDao.addTimeLog(log);
        }
        manager.timeLogDao.removeIdleTimeLogs();
        QCOMPARE(manager.timeLogDao.allTimeLogs()->size(), size_t(3));
        manager.timeLogDao.removePausedTimeLogs();
        QCOMPARE(manager.timeLogDao.allTimeLogs()->size(), size_t(2));

        QtLog::getConf().setLogLevel(QtDebugMsg);
        MessageCatcher deleted(QtDebugMsg, QStringLiteral("^Deleted time log from cache: id="));
        manager.timeLogDao.removeTimeLog(1);
        manager.timeLogDao.removeTimeLog(999);
        QtLog::getConf().setLogLevel(QtWarningMsg);
        QCOMPARE(deleted.lines(),
                 QStringList({QStringLiteral("Deleted time log from cache: id=1"),
                              QStringLiteral("Deleted time log from cache: id=999")}));
        QCOMPARE(manager.timeLogDao.allTimeLogs()->size(), size_t(1));
        manager.timeLogDao.removeAllTimeLogs();
        QVERIFY(manager.timeLogDao.allTimeLogs()->empty());
    }

    void idsBeyond32BitsCanBeDeleted()
    {
        Manager manager;
        execOrFail(disk(), QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('time_logs', 4294967296)"));
        TimeLog log = makeLog(startOf(1), startOf(2), QStringLiteral("editor"));
        manager.timeLogDao.addTimeLog(log);
        QCOMPARE(log.id(), 4294967297LL);
        const auto batch = manager.timeLogDao.timeLogsForUpload(500);
        QCOMPARE(batch->front()->id(), 4294967297LL);
        manager.timeLogDao.removeTimeLog(batch->front()->id());
        QVERIFY(manager.timeLogDao.allTimeLogs()->empty());
    }

    void unicodeTitlesComeBackByteExact()
    {
        const QStringList titles = {QStringLiteral("Résumé – naïve façade"), QStringLiteral("日本語のタイトル 中文"),
                                    QStringLiteral("party 🎉😀 family 👨‍👩‍👧"),
                                    QStringLiteral("עברית ‏مرحبا بالعالم")};
        {
            Manager manager;
            for (int i = 0; i < titles.size(); ++i) {
                TimeLog log = makeLog(startOf(i), startOf(i + 1), titles[i], titles[i]);
                log.setMetaData(titles[i]);
                manager.timeLogDao.addTimeLog(log);
            }
        }
        Manager manager; // carried over once
        const auto logs = manager.timeLogDao.timeLogsForUpload(500);
        QCOMPARE(logs->size(), size_t(titles.size()));
        for (int i = 0; i < titles.size(); ++i) {
            const TimeLog& log = *logs->at(size_t(i));
            QCOMPARE(log.windowTitle().toUtf8(), titles[i].toUtf8());
            QCOMPARE(log.appName(), titles[i]);
            QCOMPARE(log.metaData(), titles[i]);
            QVERIFY(log.isVerified());
            QJsonObject json;
            log.write(json);
            QCOMPARE(json.value(QStringLiteral("activity_description")).toString().toUtf8(), titles[i].toUtf8());
        }
    }

private:
    static void execOnFile(const QString& sql)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), setupConnection);
            db.setDatabaseName(dbPath());
            db.open();
            execOrFail(db, sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(setupConnection);
    }
};

LARKSPAN_TEST_MAIN(TestTimeLogDao, QCoreApplication)
#include "tst_timelogdao.moc"
