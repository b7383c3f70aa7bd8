#include "CoreTestSupport.h"
#include "DateTimeUtils.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLog.h"

#include <QCoreApplication>
#include <QSet>
#include <QThread>
#include <QtTest>

#include <vector>

using namespace CoreTest;

// The event manager, the uploader and the main thread share both connections while holding
// different mutexes of their own; the stores must serialise those uses themselves.
class TestStoreThreads : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useApplicationNames(); }
    void init() { resetHome(); }

    void bothStoresSurviveConcurrentUse()
    {
        constexpr int threadCount = 4;
        constexpr int rounds = 150;
        Manager manager;
        const QDateTime base(QDate(2020, 5, 1), QTime(0, 0), Qt::UTC);

        // What went wrong, by kind: a rare failure under load must say which store misbehaved.
        QMutex failuresMutex;
        QStringList failures;
        const auto fail = [&](const QString& what) {
            QMutexLocker locker(&failuresMutex);
            failures << what;
        };
        QMutex idsMutex;
        QSet<qint64> logIds;
        MessageCatcher queryErrors(QtWarningMsg, QStringLiteral("Query error"));

        std::vector<std::unique_ptr<QThread>> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back(QThread::create([&, t] {
                for (int i = 0; i < rounds; ++i) {
                    const int n = t * rounds + i;
                    TimeEvent event(base.addSecs(n), QStringLiteral("app%1").arg(t), QStringLiteral("title %1").arg(i),
                                    QStringLiteral("@_empty_@"));
                    manager.timeEventDao.addTimeEvent(event);
                    if (event.id() <= 0)
                        fail(QStringLiteral("event %1 got no id").arg(n));
                    const auto events = manager.timeEventDao.timeEvents();
                    for (const auto& loaded : *events) {
                        if (!loaded->isValid())
                            fail(QStringLiteral("event %1 read back unsigned: %2")
                                     .arg(loaded->id())
                                     .arg(loaded->windowTitle()));
                    }
                    if (i % 2 == 0)
                        manager.timeEventDao.removeTimeEvent(event.id());

                    TimeLog log;
                    log.setStartTime(base.addSecs(n));
                    log.setEndTime(base.addSecs(n + 1));
                    log.setAppName(event.appName());
                    log.setWindowTitle(event.windowTitle());
                    manager.timeLogDao.addTimeLog(log);
                    if (log.id() <= 0)
                        fail(QStringLiteral("log %1 got no id").arg(n));
                    {
                        QMutexLocker locker(&idsMutex);
                        logIds.insert(log.id());
                    }
                    const auto batch = manager.timeLogDao.timeLogsForUpload(20);
                    for (const auto& batchLog : *batch) {
                        if (!batchLog->isVerified())
                            fail(QStringLiteral("log %1 read back unverified: %2")
                                     .arg(batchLog->id())
                                     .arg(batchLog->macAddress()));
                    }
                    if (i % 3 == 0)
                        manager.timeLogDao.removeTimeLog(log.id());
                }
            }));
        }
        for (auto& thread : threads)
            thread->start();
        // No bound of its own: returning early would leave the threads running on this
        // frame's objects; the test runner's time-out ends a run that hangs.
        for (auto& thread : threads)
            thread->wait();

        QCOMPARE(queryErrors.lines(), QStringList());
        QCOMPARE(failures, QStringList());
        QCOMPARE(logIds.size(), threadCount * rounds);
        QCOMPARE(int(manager.timeEventDao.timeEvents()->size()), threadCount * rounds / 2);
        const int removedLogs = threadCount * ((rounds + 2) / 3);
        QCOMPARE(int(manager.timeLogDao.allTimeLogs()->size()), threadCount * rounds - removedLogs);
    }
};

LARKSPAN_TEST_MAIN(TestStoreThreads, QCoreApplication)
#include "tst_storethreads.moc"
