#include "QtLog.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <vector>

namespace {

QString readAll(const QString& path)
{
    QtLog::getConf().flush();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

class TestQtLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
        QCoreApplication::setApplicationName(QStringLiteral("LogTest"));
        QtLog::init();
        QtLog::getConf().setMaxFileSize(10485760);
        QtLog::getConf().setMaxBackupCount(2);
        QtLog::getConf().setFileName(QStringLiteral("LogTest.log"));
    }

    void relativeNameLivesInDataFolderPrivately()
    {
        const QString path = QtLog::getConf().getLogFilePath();
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QCOMPARE(path, folder + QStringLiteral("/LogTest.log"));
        QtLog::warning() << "touch";
        QtLog::getConf().flush();
        QCOMPARE(QFile::permissions(path) & 0x0077, QFile::Permissions());
        QCOMPARE(QFile::permissions(folder) & 0x0077, QFile::Permissions());
    }

    void levelFiltersLinesAndQtMessagesFollow()
    {
        QtLog::getConf().setLogLevel(QtWarningMsg);
        QtLog::debug() << "hidden-debug";
        QtLog::info("hidden-info");
        QtLog::warning() << "shown-warning" << 42;
        QtLog::critical() << "shown-critical";
        qInfo("hidden-qinfo");
        qWarning("shown-qwarning");

        QtLog::getConf().setLogLevel(QtDebugMsg);
        QtLog::debug("shown-debug");
        QtLog::info() << "shown-info" << QStringLiteral("plain text");

        const QString log = readAll(QtLog::getConf().getLogFilePath());
        for (const char* hidden : {"hidden-debug", "hidden-info", "hidden-qinfo"})
            QVERIFY2(!log.contains(QLatin1String(hidden)), hidden);
        for (const char* shown : {"shown-warning 42", "shown-critical", "shown-qwarning", "shown-debug"})
            QVERIFY2(log.contains(QLatin1String(shown)), shown);
        // Strings are written as they are, without quotes.
        QVERIFY(log.contains(QLatin1String("shown-info plain text")));
        QVERIFY(log.indexOf(QLatin1String("shown-warning")) < log.indexOf(QLatin1String("shown-debug")));
    }

    void unicodeSurvives()
    {
        const QString title = QString::fromUtf8("Café — 東京 🚀 שלום");
        QtLog::warning() << title;
        QVERIFY(readAll(QtLog::getConf().getLogFilePath()).contains(title));
    }

    void aHugeLineIsCutAtACharacterBoundary()
    {
        // 5 MB of two-byte characters, as a runaway reply would write; a Qt message too.
        const QString huge = QStringLiteral("huge-line: ") + QString(5 * 1024 * 1024 / 2, QChar(0xe9));
        QtLog::warning() << huge;
        qWarning("%s", qPrintable(huge));
        QtLog::warning() << "after-huge";
        const QByteArray log = readAll(QtLog::getConf().getLogFilePath()).toUtf8();
        int cut = 0;
        for (const QByteArray& line : log.split('\n')) {
            if (!line.contains("huge-line"))
                continue;
            ++cut;
            QVERIFY(line.size() < QtLogConf::maxLineBytes + 200);
            QVERIFY(line.endsWith(" bytes cut]"));
            // No half character before the marker.
            QVERIFY(!QString::fromUtf8(line).contains(QChar::ReplacementCharacter));
        }
        QCOMPARE(cut, 2);
        QVERIFY(log.contains("after-huge"));
    }

    void linesFromManyThreadsStayWhole()
    {
        QtLog::getConf().setLogLevel(QtDebugMsg);
        std::vector<QThread*> threads;
        for (int t = 0; t < 4; ++t) {
            threads.push_back(QThread::create([t] {
                for (int i = 0; i < 500; ++i)
                    QtLog::info() << "thread-line" << t << i << "end";
            }));
            threads.back()->start();
        }
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(10000));
            delete thread;
        }
        const QStringList lines = readAll(QtLog::getConf().getLogFilePath()).split(QLatin1Char('\n'));
        int count = 0;
        for (const QString& line : lines) {
            if (!line.contains(QLatin1String("thread-line")))
                continue;
            ++count;
            QVERIFY2(line.endsWith(QLatin1String(" end")), qPrintable(line));
        }
        QCOMPARE(count, 2000);
    }

    void rollsOverAndKeepsTwoBackups()
    {
        QtLogConf& conf = QtLog::getConf();
        conf.setLogLevel(QtDebugMsg);
        conf.setMaxFileSize(4096);
        conf.setMaxBackupCount(2);
        conf.setFileName(QStringLiteral("Roll.log"));
        const QString path = conf.getLogFilePath();
        const QString filler(200, QLatin1Char('x'));
        for (int i = 0; i < 200; ++i)
            QtLog::info() << filler;
        conf.flush();
        QVERIFY(QFileInfo(path).size() <= 4096);
        const QString base = path.left(path.size() - 4);
        QVERIFY(QFile::exists(base + QStringLiteral(".1.log")));
        QVERIFY(QFile::exists(base + QStringLiteral(".2.log")));
        QVERIFY(!QFile::exists(base + QStringLiteral(".3.log")));
    }
};

LARKSPAN_TEST_MAIN(TestQtLog, QCoreApplication)
#include "tst_qtlog.moc"
