#include "CoreTestSupport.h"
#include "DateTimeUtils.h"
#include "SettingsKeys.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLogBuilder.h"

#include <QCoreApplication>
#include <QtTest>

using namespace CoreTest;

namespace {

const QDateTime base(QDate(2020, 5, 1), QTime(10, 0), Qt::UTC);

DatabaseManager& db()
{
    return DatabaseManager::instance();
}

void addEvent(int secs, const QString& appName, const QString& title, const QString& meta = QStringLiteral("@_empty_@"))
{
    TimeEvent event(base.addSecs(secs), appName, title, meta);
    db().timeEventDao.addTimeEvent(event);
}

struct Span {
    int start;
    int end;
    QString appName;
    QString title;
    int count;
};

QString describe(const Span& span)
{
    return QStringLiteral("[%1..%2] %3/%4 x%5")
        .arg(span.start)
        .arg(span.end)
        .arg(span.appName, span.title)
        .arg(span.count);
}

// Stored logs, oldest first, in seconds from the base instant.
QStringList storedSpans()
{
    QStringList spans;
    const auto logs = db().timeLogDao.timeLogsForUpload(100000);
    for (const auto& log : *logs) {
        spans << describe({int(base.secsTo(log->startTime())), int(base.secsTo(log->endTime())), log->appName(),
                           log->windowTitle(), log->activeCount()});
    }
    return spans;
}

QStringList spans(std::initializer_list<Span> list)
{
    QStringList result;
    for (const Span& span : list)
        result << describe(span);
    return result;
}

} // namespace

class TestTimeLogBuilder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        useApplicationNames();
        resetHome();
        db();
    }

    void init()
    {
        QSettings().clear();
        db().timeEventDao.removeAllTimeEvents();
        db().timeLogDao.removeAllTimeLogs();
    }

    void noEventsStoresNothing()
    {
        QtLog::getConf().setLogLevel(QtDebugMsg);
        MessageCatcher banners(QtDebugMsg, QStringLiteral("^Build time logs: -{20} (START|FINISH) -{20}$"));
        TimeLogBuilder().buildTimeLogs();
        QtLog::getConf().setLogLevel(QtWarningMsg);
        QCOMPARE(banners.lines().size(), 2);
        QVERIFY(storedSpans().isEmpty());
        QVERIFY(!db().timeLogDao.lastConvertedEvent().isValid());
    }

    void workedExampleAndTheRunAfterIt()
    {
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(5, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(10, QStringLiteral("B"), QStringLiteral("Mail"));
        addEvent(15, QStringLiteral("A"), QStringLiteral("Doc1"));
        TimeLogBuilder builder;
        builder.buildTimeLogs();
        QCOMPARE(storedSpans(), spans({{0, 5, "A", "Doc1", 2}, {5, 10, "B", "Mail", 1}, {10, 15, "A", "Doc1", 1}}));
        QCOMPARE(db().timeLogDao.lastConvertedEvent(), base.addSecs(15));
        QVERIFY(db().timeEventDao.timeEvents()->empty());
        const auto logs = db().timeLogDao.allTimeLogs();
        for (const auto& log : *logs)
            QVERIFY(log->isVerified());

        addEvent(20, QStringLiteral("A"), QStringLiteral("Doc1"));
        builder.buildTimeLogs();
        QCOMPARE(storedSpans().size(), 4);
        QCOMPARE(storedSpans().last(), describe({15, 20, "A", "Doc1", 1}));
    }

    // The machine slept after 7 s: the log ends at the last event before, and the next
    // neither continues it nor joins back to it, within a run or across runs. Then the wall
    // clock is set back: the new time's logs join each other, never the old time's ahead.
    void breaksAndARestartedTimelineAreNeverReachedAcross()
    {
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(5, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(100, QStringLiteral("A"), QStringLiteral("Doc1"));
        TimeLogBuilder builder;
        builder.breakAt(base.addMSecs(7500));
        builder.buildTimeLogs();
        builder.breakAt(base.addSecs(101));
        addEvent(130, QStringLiteral("B"), QStringLiteral("Mail"));
        builder.buildTimeLogs();
        builder.restartTimeline(base.addSecs(-540));
        addEvent(-538, QStringLiteral("A"), QStringLiteral("Doc1"));
        builder.buildTimeLogs();
        addEvent(-530, QStringLiteral("A"), QStringLiteral("Doc1"));
        builder.buildTimeLogs();
        QCOMPARE(storedSpans(),
                 spans({{-538, -538, "A", "Doc1", 1},
                        {-538, -530, "A", "Doc1", 1},
                        {0, 5, "A", "Doc1", 2},
                        {100, 100, "A", "Doc1", 1},
                        {130, 130, "B", "Mail", 1}}));
    }

    void singleEventGivesAPointLog()
    {
        QSettings().setValue(Keys::lastConvertedEvent, DateTimeUtils::toUTCString(base.addSecs(-601)));
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"), QStringLiteral("meta"));
        TimeLogBuilder().buildTimeLogs();
        QCOMPARE(storedSpans(), spans({{0, 0, "A", "Doc1", 1}}));
        QCOMPARE(db().timeLogDao.allTimeLogs()->front()->metaData(), QStringLiteral("meta"));
    }

    void thresholdEdges_data()
    {
        QTest::addColumn<int>("gap");
        QTest::addColumn<QStringList>("expected");
        // Exactly the threshold apart: no merge, but the start rule is inclusive.
        QTest::newRow("600") << 600 << spans({{0, 0, "A", "Doc1", 1}, {0, 600, "A", "Doc1", 1}});
        QTest::newRow("601") << 601 << spans({{0, 0, "A", "Doc1", 1}, {601, 601, "A", "Doc1", 1}});
        QTest::newRow("599") << 599 << spans({{0, 599, "A", "Doc1", 2}});
    }

    void thresholdEdges()
    {
        QFETCH(int, gap);
        QFETCH(QStringList, expected);
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(gap, QStringLiteral("A"), QStringLiteral("Doc1"));
        TimeLogBuilder().buildTimeLogs();
        QCOMPARE(storedSpans(), expected);
    }

    void thresholdIsReadFromSettings()
    {
        QSettings().setValue(Keys::maxInactiveSecs, 60);
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(90, QStringLiteral("A"), QStringLiteral("Doc1"));
        TimeLogBuilder().buildTimeLogs();
        QCOMPARE(storedSpans(), spans({{0, 0, "A", "Doc1", 1}, {90, 90, "A", "Doc1", 1}}));
    }

    void metadataDoesNotSplitButLetterCaseDoes()
    {
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"), QStringLiteral("first"));
        addEvent(3, QStringLiteral("A"), QStringLiteral("Doc1"), QStringLiteral("second"));
        addEvent(6, QStringLiteral("a"), QStringLiteral("Doc1"));
        addEvent(9, QStringLiteral("a"), QStringLiteral("doc1"));
        TimeLogBuilder().buildTimeLogs();
        QCOMPARE(storedSpans(), spans({{0, 3, "A", "Doc1", 2}, {3, 6, "a", "Doc1", 1}, {6, 9, "a", "doc1", 1}}));
        QCOMPARE(db().timeLogDao.timeLogsForUpload(1)->front()->metaData(), QStringLiteral("second"));
    }

    void tamperedEventIsSkippedAndDeleted()
    {
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(3, QStringLiteral("B"), QStringLiteral("Mail"));
        addEvent(6, QStringLiteral("A"), QStringLiteral("Doc1"));
        execOrFail(memory(), QStringLiteral("UPDATE time_events SET window_title = 'Other' WHERE app_name = 'B'"));
        QtLog::getConf().setLogLevel(QtDebugMsg);
        MessageCatcher invalid(QtDebugMsg, QStringLiteral("^Invalid event: "));
        TimeLogBuilder().buildTimeLogs();
        QtLog::getConf().setLogLevel(QtWarningMsg);
        QCOMPARE(invalid.lines(),
                 QStringList(QStringLiteral("Invalid event: eventTime=20200501100003, appName=B, windowTitle=Other")));
        // Its neighbours merge across the hole it leaves.
        QCOMPARE(storedSpans(), spans({{0, 6, "A", "Doc1", 2}}));
        QVERIFY(db().timeEventDao.timeEvents()->empty());
    }

    void idleRunBecomesOneIdleLog()
    {
        for (int i = 0; i < 5; ++i)
            addEvent(i * 5, TimeEvent::strIdle(), TimeEvent::strEmpty());
        addEvent(30, QStringLiteral("A"), QStringLiteral("Doc1"));
        TimeLogBuilder().buildTimeLogs();
        const auto idle = db().timeLogDao.idleTimeLogs();
        QCOMPARE(idle->size(), size_t(1));
        QCOMPARE(idle->front()->activeCount(), 5);
        QCOMPARE(idle->front()->endTime(), base.addSecs(20));
        // The user was away until the first event after the idle run: that time is not
        // credited to the window that follows.
        QCOMPARE(storedSpans(), spans({{30, 30, "A", "Doc1", 1}}));
    }

    // Time the program was not running (quit, crash, machine off) is nobody's: a log of
    // this run joins on to an earlier log of this run only, and never starts after its
    // own first event.
    void logsStartWithinTheirOwnRun_data()
    {
        QTest::addColumn<int>("lastConverted");
        QTest::addColumn<int>("runStart");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("previous run ended 4 minutes ago")
            << -240 << -10 << spans({{0, 0, "A", "Doc1", 1}, {0, 5, "B", "Mail", 1}});
        QTest::newRow("earlier log of this run")
            << -240 << -300 << spans({{-240, 0, "A", "Doc1", 1}, {0, 5, "B", "Mail", 1}});
        QTest::newRow("clock set back") << 100 << -300 << spans({{0, 0, "A", "Doc1", 1}, {5, 5, "B", "Mail", 1}});
    }

    void logsStartWithinTheirOwnRun()
    {
        QFETCH(int, lastConverted);
        QFETCH(int, runStart);
        QFETCH(QStringList, expected);
        QSettings().setValue(Keys::lastConvertedEvent, DateTimeUtils::toUTCString(base.addSecs(lastConverted)));
        QSettings().setValue(Keys::appStartTime, DateTimeUtils::toUTCString(base.addSecs(runStart)));
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(5, QStringLiteral("B"), QStringLiteral("Mail"));
        TimeLogBuilder().buildTimeLogs();
        QCOMPARE(storedSpans(), expected);
    }

    // A store that refuses writes (read-only folder, full disk) loses nothing: the events
    // wait for a run that can store them, and the join point stays where it was.
    void failedStoreKeepsItsEventsForTheNextRun()
    {
        QSettings().setValue(Keys::lastConvertedEvent, DateTimeUtils::toUTCString(base.addSecs(-30)));
        addEvent(0, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(5, QStringLiteral("A"), QStringLiteral("Doc1"));
        addEvent(10, QStringLiteral("B"), QStringLiteral("Mail"));
        execOrFail(disk(), QStringLiteral("PRAGMA query_only = ON"));
        QtLog::getConf().setLogLevel(QtDebugMsg);
        MessageCatcher created(QtDebugMsg, QStringLiteral("^Created time log: "));
        MessageCatcher failed(QtWarningMsg, QStringLiteral("^Cannot store time log, keeping its events"));
        const TimeLogBuilder::Result result = TimeLogBuilder().buildTimeLogs();
        QtLog::getConf().setLogLevel(QtWarningMsg);
        execOrFail(disk(), QStringLiteral("PRAGMA query_only = OFF"));
        QCOMPARE(result, TimeLogBuilder::Result::StoreFailed);
        QCOMPARE(failed.lines().size(), 1);
        QVERIFY(created.lines().isEmpty());
        QCOMPARE(db().timeEventDao.timeEvents()->size(), size_t(3));
        QCOMPARE(db().timeLogDao.lastConvertedEvent(), base.addSecs(-30));

        addEvent(15, QStringLiteral("B"), QStringLiteral("Mail"));
        QCOMPARE(TimeLogBuilder().buildTimeLogs(), TimeLogBuilder::Result::Stored);
        QCOMPARE(storedSpans(), spans({{-30, 5, "A", "Doc1", 2}, {5, 15, "B", "Mail", 2}}));
        QVERIFY(db().timeEventDao.timeEvents()->empty());
    }
};

LARKSPAN_TEST_MAIN(TestTimeLogBuilder, QCoreApplication)
#include "tst_timelogbuilder.moc"
