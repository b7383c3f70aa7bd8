#include "AppSignals.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QThread>
#include <QtTest>

namespace {
QStringList messages;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtCriticalMsg)
        messages << text;
}
} // namespace

class TestAppSignals : public QObject
{
    Q_OBJECT
private slots:
    void instanceBeforeInitIsNullAndSaysSo()
    {
        auto previous = qInstallMessageHandler(collect);
        QCOMPARE(AppSignals::instance(), nullptr);
        qInstallMessageHandler(previous);
        QCOMPARE(messages, QStringList {QStringLiteral("Signals has not been initialized.")});
    }

    void initOnceOwnedByParent()
    {
        AppSignals* hub = AppSignals::init(QCoreApplication::instance());
        QVERIFY(hub);
        QCOMPARE(hub->parent(), QCoreApplication::instance());
        QObject other;
        QCOMPARE(AppSignals::init(&other), hub);
        QCOMPARE(hub->parent(), QCoreApplication::instance());
        QCOMPARE(AppSignals::instance(), hub);
    }

    // Workers emit on the hub and windows receive on the main thread: every signal must
    // cross threads with its arguments intact (an argument type Qt cannot queue is dropped
    // at run time with only a warning).
    void everySignalCrossesThreadsWithItsArguments()
    {
        AppSignals* hub = AppSignals::instance();
        const QDateTime start(QDate(2024, 3, 31), QTime(0, 59, 58), Qt::UTC);
        const QDateTime end = start.addSecs(3600);
        QStringList received;
        QObject receiver;
        auto note = [&received](const QString& call) {
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            received << call;
        };
        auto stamp = [](const QDateTime& time) { return time.toString(Qt::ISODateWithMs); };
        connect(hub, &AppSignals::idle, &receiver, [&](QDateTime t) { note(QStringLiteral("idle ") + stamp(t)); });
        connect(hub, &AppSignals::addManulTime, &receiver,
                [&](QDateTime from, QDateTime to, QString type, QString comment) {
                    note(QStringLiteral("manual %1 %2 %3 %4").arg(stamp(from), stamp(to), type, comment));
                });
        connect(hub, &AppSignals::cancelIdleTime, &receiver, [&] { note(QStringLiteral("cancel")); });
        connect(hub, &AppSignals::foundRecentUserEvents, &receiver,
                [&](QDateTime t) { note(QStringLiteral("found ") + stamp(t)); });
        connect(hub, &AppSignals::loginRequired, &receiver, [&] { note(QStringLiteral("login")); });
        connect(hub, &AppSignals::resume, &receiver, [&] { note(QStringLiteral("resume")); });
        connect(hub, &AppSignals::pause, &receiver,
                [&](int minutes) { note(QStringLiteral("pause %1").arg(minutes)); });
        connect(hub, &AppSignals::languageChanged, &receiver,
                [&](QString language) { note(QStringLiteral("language ") + language); });
        connect(hub, &AppSignals::notifyUploaded, &receiver, [&] { note(QStringLiteral("uploaded")); });
        connect(hub, &AppSignals::createIdleEvent, &receiver,
                [&](QDateTime t) { note(QStringLiteral("idle event ") + stamp(t)); });
        connect(hub, &AppSignals::showMessage, &receiver,
                [&](QString title, QString text) { note(title + QLatin1Char('/') + text); });
        connect(hub, &AppSignals::requestOutlookSubject, &receiver,
                [&](QString app, QString title) { note(QStringLiteral("subject %1 %2").arg(app, title)); });

        QThread* worker = QThread::create([=] {
            emit hub->idle(start);
            emit hub->addManulTime(start, end, QStringLiteral("Meeting"), QStringLiteral("Budget \u00e9"));
            emit hub->cancelIdleTime();
            emit hub->foundRecentUserEvents(end);
            emit hub->loginRequired();
            emit hub->resume();
            emit hub->pause(-2);
            emit hub->languageChanged(QStringLiteral("ko"));
            emit hub->notifyUploaded();
            emit hub->createIdleEvent(start.addMSecs(250));
            emit hub->showMessage(QStringLiteral("Cannot upload"), QString());
            emit hub->requestOutlookSubject(QStringLiteral("OUTLOOK.EXE"), QStringLiteral("Inbox"));
        });
        worker->start();
        QVERIFY(worker->wait(30000));
        delete worker;
        QVERIFY(received.isEmpty()); // queued, not called on the worker
        const QStringList expected {
            QStringLiteral("idle 2024-03-31T00:59:58.000Z"),
            QStringLiteral("manual 2024-03-31T00:59:58.000Z 2024-03-31T01:59:58.000Z Meeting Budget \u00e9"),
            QStringLiteral("cancel"),
            QStringLiteral("found 2024-03-31T01:59:58.000Z"),
            QStringLiteral("login"),
            QStringLiteral("resume"),
            QStringLiteral("pause -2"),
            QStringLiteral("language ko"),
            QStringLiteral("uploaded"),
            QStringLiteral("idle event 2024-03-31T00:59:58.250Z"),
            QStringLiteral("Cannot upload/"),
            QStringLiteral("subject OUTLOOK.EXE Inbox"),
        };
        QTRY_COMPARE(received, expected);
    }

    void receiversRunInConnectionOrderOnTheSameThread()
    {
        AppSignals* hub = AppSignals::instance();
        QStringList calls;
        QObject first, second;
        connect(hub, &AppSignals::pause, &first, [&calls](int m) { calls << QStringLiteral("events %1").arg(m); });
        connect(hub, &AppSignals::pause, &second, [&calls](int m) { calls << QStringLiteral("tray %1").arg(m); });
        emit hub->pause(-1);
        QCOMPARE(calls, (QStringList {QStringLiteral("events -1"), QStringLiteral("tray -1")}));
    }

    void workerEmissionsArriveQueuedInOrder()
    {
        AppSignals* hub = AppSignals::instance();
        QList<QString> received;
        QObject receiver;
        connect(hub, &AppSignals::showMessage, &receiver, [&received](const QString& title, const QString& text) {
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            received << title + QLatin1Char('/') + text;
        });
        QThread* worker = QThread::create([hub] {
            for (int i = 0; i < 50; ++i)
                emit hub->showMessage(QStringLiteral("t"), QString::number(i));
        });
        worker->start();
        QVERIFY(worker->wait(30000));
        delete worker;
        QVERIFY(received.isEmpty());
        QTRY_COMPARE(received.size(), 50);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(received.at(i), QStringLiteral("t/%1").arg(i));
    }
};

LARKSPAN_TEST_MAIN(TestAppSignals, QCoreApplication)
#include "tst_appsignals.moc"
