#include "TestHome.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "ProcessImageName.h"

#include <unistd.h>

class TestProcessImageName : public QObject
{
    Q_OBJECT

private slots:
    void namesTheExecutableOfARunningProcess()
    {
        QCOMPARE(ProcessImageName::forPid(getpid()), QStringLiteral("tst_process_image_name"));
    }

    void keepsTheNameOfADeletedExecutable_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plain") << QStringLiteral("worker");
        // Only the kernel's suffix goes, not a name that merely contains it.
        QTest::newRow("spaces inside") << QStringLiteral("my (deleted) tool");
    }

    void keepsTheNameOfADeletedExecutable()
    {
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        QProcess process;
        process.start(path, {QStringLiteral("30")});
        QVERIFY(process.waitForStarted(5000));
        QVERIFY(QFile::remove(path));

        QCOMPARE(ProcessImageName::forPid(process.processId()), fileName);
        process.kill();
        process.waitForFinished(5000);
    }

    void unknownProcessesHaveNoName()
    {
        QVERIFY(ProcessImageName::forPid(0).isEmpty());
        QVERIFY(ProcessImageName::forPid(-5).isEmpty());
        // A process that has exited and been reaped.
        QProcess process;
        process.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
        QVERIFY(process.waitForStarted(5000));
        const qint64 pid = process.processId();
        QCOMPARE(ProcessImageName::forPid(pid), QStringLiteral("sleep"));
        process.kill();
        QVERIFY(process.waitForFinished(5000));
        QVERIFY(ProcessImageName::forPid(pid).isEmpty());
    }
};

LARKSPAN_TEST_MAIN(TestProcessImageName, QCoreApplication)
#include "tst_process_image_name.moc"
