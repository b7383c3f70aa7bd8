#include "CoreTestSupport.h"
#include "DateTimeUtils.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLog.h"

#include <QCoreApplication>
#include <QSet>
#include <QThread>
#include <QtTest>

#include <atomic>
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

        std::atomic<int> failures {0};
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
                        ++failures;
                    const auto events = manager.timeEventDao.timeEvents();
                    for (const auto& loaded : *events) {
                        if (!loaded->isValid())
                            ++failures;
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
                        ++failures;
                    {
                        QMutexLocker locker(&idsMutex);
                        logIds.insert(log.id());
                    }
                    const auto batch = manager.timeLogDao.timeLogsForUpload(20);
                    for (const auto& batchLog : *batch) {
                        if (!batchLog->isVerified())
                            ++failures;
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

        QCOMPARE(failures.load(), 0);
        QCOMPARE(queryErrors.lines(), QStringList());
        QCOMPARE(logIds.size(), threadCount * rounds);
        QCOMPARE(int(manager.timeEventDao.timeEvents()->size()), threadCount * rounds / 2);
        const int removedLogs = threadCount * ((rounds + 2) / 3);
        QCOMPARE(int(manager.timeLogDao.allTimeLogs()->size()), threadCount * rounds - removedLogs);
    }
};

LARKSPAN_TEST_MAIN(TestStoreThreads, QCoreApplication)
#include "tst_storethreads.moc"
