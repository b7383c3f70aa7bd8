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

// The message part of the log's lines holding marker: what follows "[level] [thread] ".
QStringList messagesWith(const QString& marker)
{
    QStringList found;
    for (const QString& line : readAll(QtLog::getConf().getLogFilePath()).split(QLatin1Char('\n'))) {
        if (line.contains(marker))
            found << line.section(QLatin1String("] "), 2);
    }
    return found;
}

} // namespace

class TestQtLog : public QObject
{
    Q_OBJECT

    struct Context {
        QByteArray file;
        int line = 0;
    };
    static Context& seenContext()
    {
        static Context context;
        return context;
    }
    static void noteContext(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (message.startsWith(QLatin1String("same-line")))
            seenContext() = {QByteArray(context.file), context.line};
        QtLog::getConf().write(type, message);
    }

    static int& handlerCalls()
    {
        static int calls = 0;
        return calls;
    }
    // Writes lines of its own on the trigger, as the display-loss guard does.
    static void loggingHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        ++handlerCalls();
        QtLog::getConf().write(type, message);
        if (message != QLatin1String("inside-trigger"))
            return;
        const QtLog::InsideMessageHandler inside;
        LK_WARNING() << "inside-first" << 1;
        LK_DEBUG(QStringLiteral("inside-second"));
    }

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
        LK_WARNING() << "touch";
        QtLog::getConf().flush();
        QCOMPARE(QFile::permissions(path) & 0x0077, QFile::Permissions());
        QCOMPARE(QFile::permissions(folder) & 0x0077, QFile::Permissions());
    }

    void levelFiltersLinesAndQtMessagesFollow()
    {
        QtLog::getConf().setLogLevel(QtWarningMsg);
        LK_DEBUG() << "hidden-debug";
        LK_INFO(QStringLiteral("hidden-info"));
        LK_WARNING() << "shown-warning" << 42;
        LK_CRITICAL() << "shown-critical";
        qInfo("hidden-qinfo");
        qWarning("shown-qwarning");

        QtLog::getConf().setLogLevel(QtDebugMsg);
        LK_DEBUG(QStringLiteral("shown-debug"));
        LK_INFO() << "shown-info" << QStringLiteral("plain text");

        const QString log = readAll(QtLog::getConf().getLogFilePath());
        for (const char* hidden : {"hidden-debug", "hidden-info", "hidden-qinfo"})
            QVERIFY2(!log.contains(QLatin1String(hidden)), hidden);
        for (const char* shown : {"shown-warning 42", "shown-critical", "shown-qwarning", "shown-debug"})
            QVERIFY2(log.contains(QLatin1String(shown)), shown);
        // Strings are written as they are, without quotes.
        QVERIFY(log.contains(QLatin1String("shown-info plain text")));
        QVERIFY(log.indexOf(QLatin1String("shown-warning")) < log.indexOf(QLatin1String("shown-debug")));
    }

    void guardedLinesBelowTheLevelEvaluateNothing()
    {
        int evaluated = 0;
        const auto counted = [&evaluated](const char* text) {
            ++evaluated;
            return QString::fromLatin1(text);
        };
        QtLogConf& conf = QtLog::getConf();
        conf.setLogLevel(QtWarningMsg);
        LK_DEBUG() << counted("guard-hidden-debug");
        LK_DEBUG(counted("guard-hidden-debug-message"));
        LK_INFO() << counted("guard-hidden-info") << counted("more");
        LK_INFO(counted("guard-hidden-info-message"));
        QCOMPARE(evaluated, 0);
        LK_WARNING() << counted("guard-shown-warning");
        LK_CRITICAL() << counted("guard-shown-critical");
        QCOMPARE(evaluated, 2);

        // A level change applies to the very next line, both ways.
        conf.setLogLevel(QtDebugMsg);
        LK_DEBUG(counted("guard-shown-debug"));
        conf.setLogLevel(QtCriticalMsg);
        LK_WARNING() << counted("guard-hidden-warning");
        QCOMPARE(evaluated, 3);

        for (QtMsgType level : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg, QtFatalMsg}) {
            conf.setLogLevel(level);
            QCOMPARE(conf.logLevel(), level);
        }
        conf.setLogLevel(QtDebugMsg);

        QStringList shown;
        for (const char* marker : {"guard-shown-warning", "guard-shown-critical", "guard-shown-debug"})
            shown += messagesWith(QLatin1String(marker));
        QCOMPARE(shown.size(), 3);
        QVERIFY(messagesWith(QStringLiteral("guard-hidden")).isEmpty());
    }

    // The values read as Qt's debug stream writes them (strings without quotes), and
    // handlers learn where the line was written.
    void aLineIsWrittenAsQtsStreamWritesIt()
    {
        QtLog::getConf().setLogLevel(QtDebugMsg);
        const QDateTime when(QDate(2024, 3, 1), QTime(9, 30), Qt::UTC);
        QString expected;
        QDebug(&expected).noquote() << "same-line" << 42 << QStringLiteral("text") << when << QByteArray("raw");
        expected.chop(1); // QDebug on a string keeps the space after the last item

        seenContext() = {};
        const QtMessageHandler previous = qInstallMessageHandler(&TestQtLog::noteContext);
        const int line = __LINE__ + 1;
        LK_INFO() << "same-line" << 42 << QStringLiteral("text") << when << QByteArray("raw");
        LK_DEBUG().nospace() << "same-nospace" << 1 << 2;
        LK_DEBUG(QStringLiteral("same-message")) << 7;
        qInstallMessageHandler(previous);

        QCOMPARE(messagesWith(QStringLiteral("same-line")), QStringList {expected});
        QCOMPARE(messagesWith(QStringLiteral("same-nospace")), QStringList {QStringLiteral("same-nospace12")});
        QCOMPARE(messagesWith(QStringLiteral("same-message")), QStringList {QStringLiteral("same-message 7")});
        QCOMPARE(seenContext().line, line);
        QVERIFY2(seenContext().file.endsWith("tst_qtlog.cpp"), seenContext().file.constData());
    }

    // Qt hands a message written inside a message handler to stderr; lines written inside
    // one that says so still reach the file, in order, and the handler is not re-entered.
    void linesWrittenInsideAMessageHandlerReachTheFile()
    {
        QtLog::getConf().setLogLevel(QtDebugMsg);
        handlerCalls() = 0;
        const QtMessageHandler previous = qInstallMessageHandler(&TestQtLog::loggingHandler);
        qWarning("inside-trigger");
        qInstallMessageHandler(previous);

        QCOMPARE(handlerCalls(), 1);
        const QString log = readAll(QtLog::getConf().getLogFilePath());
        QCOMPARE(messagesWith(QStringLiteral("inside-first")), QStringList {QStringLiteral("inside-first 1")});
        QCOMPARE(messagesWith(QStringLiteral("inside-second")), QStringList {QStringLiteral("inside-second")});
        QVERIFY(log.indexOf(QLatin1String("inside-first")) < log.indexOf(QLatin1String("inside-second")));
    }

    void aGuardedLineKeepsAnUnbracedIfsElse()
    {
        QtLog::getConf().setLogLevel(QtCriticalMsg);
        for (bool condition : {true, false}) {
            bool tookElse = false;
            if (condition)
                LK_DEBUG() << "dangling";
            else
                tookElse = true;
            QCOMPARE(tookElse, !condition);
        }
        QtLog::getConf().setLogLevel(QtDebugMsg);
    }

    void unicodeSurvives()
    {
        const QString title = QString::fromUtf8("Café — 東京 🚀 שלום");
        LK_WARNING() << title;
        QVERIFY(readAll(QtLog::getConf().getLogFilePath()).contains(title));
    }

    void aHugeLineIsCutAtACharacterBoundary()
    {
        // 5 MB of two-byte characters, as a runaway reply would write; a Qt message too.
        const QString huge = QStringLiteral("huge-line: ") + QString(5 * 1024 * 1024 / 2, QChar(0xe9));
        LK_WARNING() << huge;
        qWarning("%s", qPrintable(huge));
        LK_WARNING() << "after-huge";
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
                    LK_INFO() << "thread-line" << t << i << "end";
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
            LK_INFO() << filler;
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
