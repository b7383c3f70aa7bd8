#include "AppSignals.h"
#include "CaptureFakes.h"
#include "OutlookSubjectDetector.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString writeReader(const QTemporaryDir& dir, const QByteArray& body)
{
    const QString path = dir.path() + QStringLiteral("/lkwin32.exe");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n[ \"$1\" = \"outlook\" ] || exit 1\n" + body);
    file.close();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("LARKSPAN_SUBJECT_READER", QFile::encodeName(path));
    return path;
}

} // namespace

class TestOutlookSubjectDetector : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppSignals::init(QCoreApplication::instance()); }

    void subjectReplacesTheTitleInRequestOrder()
    {
        QTemporaryDir dir;
        // Each run answers with the next subject, padded with blanks and a line break.
        writeReader(dir,
                    "n=$(cat \"$(dirname \"$0\")/count\" 2>/dev/null || echo 0)\n"
                    "n=$((n+1)); echo $n > \"$(dirname \"$0\")/count\"\n"
                    "printf '   Subject %s: Überweisung  \\r\\n' \"$n\"\n");
        RecordingEventManager manager;
        OutlookSubjectDetector detector(&manager);
        for (const char* title : {"Inbox", "Drafts", "Sent"})
            emit AppSignals::instance()->requestOutlookSubject(QStringLiteral("OUTLOOK.EXE"), QLatin1String(title));
        for (int i = 0; i < 4; ++i)
            detector.processNext();
        const auto events = manager.taken();
        QCOMPARE(events.size(), size_t(3));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(events[i].appName(), QStringLiteral("OUTLOOK.EXE"));
            QCOMPARE(events[i].windowTitle(), QString::fromUtf8("Subject %1: Überweisung").arg(i + 1));
            QCOMPARE(events[i].metaData(), TimeEvent::strEmpty());
        }
    }

    void noSubjectOrNoReaderKeepsTheWindowTitle()
    {
        QTemporaryDir dir;
        writeReader(dir, "exit 0\n");
        RecordingEventManager manager;
        OutlookSubjectDetector detector(&manager);
        detector.onRequestOutlookSubject(QStringLiteral("outlook.exe"), QStringLiteral("Calendar"));
        detector.processNext();
        qputenv("LARKSPAN_SUBJECT_READER", QFile::encodeName(dir.path() + QStringLiteral("/missing")));
        detector.onRequestOutlookSubject(QStringLiteral("outlook.exe"), QStringLiteral("Contacts"));
        detector.processNext();
        const auto events = manager.taken();
        QCOMPARE(events.size(), size_t(2));
        QCOMPARE(events[0].windowTitle(), QStringLiteral("Calendar"));
        QCOMPARE(events[1].windowTitle(), QStringLiteral("Contacts"));
    }

    void aHungReaderIsBoundedAndStopsWithTheThread()
    {
        QTemporaryDir dir;
        const QString started = dir.path() + QStringLiteral("/started");
        writeReader(dir, "touch \"$(dirname \"$0\")/started\"\nexec sleep 60\n");
        RecordingEventManager manager;
        OutlookSubjectDetector detector(&manager);

        // Alone: given up after the bound, long before the reader would end; the event
        // keeps the window title.
        QElapsedTimer timer;
        timer.start();
        detector.onRequestOutlookSubject(QStringLiteral("OUTLOOK.EXE"), QStringLiteral("Inbox"));
        detector.processNext();
        QVERIFY2(timer.elapsed() < 5 * OutlookSubjectDetector::readerTimeoutMs,
                 qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(manager.taken().size(), size_t(1));

        // While the thread waits for it, stopping ends the thread within the 3 seconds the
        // program waits for it at shutdown.
        QVERIFY(QFile::remove(started));
        detector.onRequestOutlookSubject(QStringLiteral("OUTLOOK.EXE"), QStringLiteral("Inbox"));
        detector.start();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(started), 30000);
        QVERIFY(detector.stopAndWait(3000));
        QVERIFY(detector.isTerminated());
    }

    // The thread sleeps until a request comes: each one, the first and those after a
    // reading, must still be read, and the thread must still stop at once.
    void requestsWakeTheWaitingThread()
    {
        QTemporaryDir dir;
        writeReader(dir, "echo Quarterly report\n");
        RecordingEventManager manager;
        OutlookSubjectDetector detector(&manager);
        detector.start();
        // A failed check below must not leave the thread running into the detector's end.
        const auto stopLate = qScopeGuard([&detector] { detector.stopAndWait(3000); });
        QTest::qWait(300);
        for (int n = 1; n <= 2; ++n) {
            detector.onRequestOutlookSubject(QStringLiteral("OUTLOOK.EXE"), QStringLiteral("Inbox"));
            QTRY_COMPARE_WITH_TIMEOUT(manager.taken().size(), size_t(n), 10000);
        }
        QCOMPARE(manager.taken().back().windowTitle(), QStringLiteral("Quarterly report"));
        QVERIFY(detector.stopAndWait(3000));
        QVERIFY(detector.isTerminated());
    }

    void endsWhenTheEventManagerStops()
    {
        RecordingEventManager manager;
        OutlookSubjectDetector detector(&manager);
        detector.start();
        manager.stop();
        // Told through the event loop, as the program runs it.
        QTRY_VERIFY_WITH_TIMEOUT(detector.isFinished(), 3000);
        QVERIFY(detector.isTerminated());
    }
};

LARKSPAN_TEST_MAIN(TestOutlookSubjectDetector, QCoreApplication)
#include "tst_outlooksubjectdetector.moc"
