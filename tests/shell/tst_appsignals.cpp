#include "AppSignals.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QMetaMethod>
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

    void signalsInDeclaredOrder()
    {
        const QStringList expected {
            QStringLiteral("idle(QDateTime)"),
            QStringLiteral("addManulTime(QDateTime,QDateTime,QString,QString)"),
            QStringLiteral("cancelIdleTime()"),
            QStringLiteral("foundRecentUserEvents(QDateTime)"),
            QStringLiteral("loginRequired()"),
            QStringLiteral("resume()"),
            QStringLiteral("pause(int)"),
            QStringLiteral("languageChanged(QString)"),
            QStringLiteral("notifyUploaded()"),
            QStringLiteral("createIdleEvent(QDateTime)"),
            QStringLiteral("showMessage(QString,QString)"),
            QStringLiteral("requestOutlookSubject(QString,QString)"),
        };
        const QMetaObject& meta = AppSignals::staticMetaObject;
        QStringList actual;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                actual << QString::fromLatin1(meta.method(i).methodSignature());
        }
        QCOMPARE(actual, expected);
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
        QVERIFY(worker->wait(5000));
        delete worker;
        QVERIFY(received.isEmpty());
        QTRY_COMPARE(received.size(), 50);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(received.at(i), QStringLiteral("t/%1").arg(i));
    }
};

LARKSPAN_TEST_MAIN(TestAppSignals, QCoreApplication)
#include "tst_appsignals.moc"
