#include "CrashReportDatabase.h"
#include "DevServerProcess.h"
#include "HostileService.h"
#include "TestHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <utime.h>

namespace {

std::string folderOf(const QTemporaryDir& dir)
{
    return QFile::encodeName(dir.filePath(QStringLiteral("crash_db"))).toStdString();
}

// A file last written long ago, as a crash in the middle of writing would leave it.
void makeOld(const std::string& path)
{
    utimbuf times {1000000000, 1000000000};
    ::utime(path.c_str(), &times);
}

struct Upload {
    int exitCode = -1;
    QByteArray output;
    qint64 elapsedMs = 0;
};

// Runs larkspan-crash-upload as the handler does, with the given extra arguments.
Upload runUploader(const QTemporaryDir& dir, const QString& url, const QStringList& extra = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(QString::fromLocal8Bit(qgetenv("LARKSPAN_BUILD_DIR")) + QStringLiteral("/bin/larkspan-crash-upload"),
                  QStringList {QStringLiteral("--reports"), QString::fromStdString(folderOf(dir)),
                               QStringLiteral("--upload-to"), url}
                      + extra);
    Upload upload;
    // The stand-in collector answers on this thread's event loop, so the wait must run it.
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return upload;
    }
    upload.elapsedMs = clock.elapsed();
    upload.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    upload.output = process.readAll();
    return upload;
}

// The largest resident size of any child this test has waited for, in MiB.
long childPeakMiB()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

// The report folder on disk: what survives, what is sent once, what is let go.
class TestCrashReportDatabase : public QObject
{
    Q_OBJECT
private slots:
    void reportsRoundTripAndLeaveOnceSent()
    {
        QTemporaryDir dir;
        auto db = CrashReportDatabase::initialize(folderOf(dir));
        QVERIFY(db);
        QVERIFY(!db->uploadsEnabled());
        QVERIFY(db->setUploadsEnabled(true));
        QVERIFY(CrashReportDatabase::initialize(folderOf(dir))->uploadsEnabled());

        // Values are free text: line breaks, backslashes, '=' and nothing at all.
        const CrashReportDatabase::Fields fields {
            {"cvUserId", ""}, {"currentOsName", "Multi\nline \\ OS = 1"}, {"lkVersion", "2.8.1"}};
        const std::string id = db->store(fields, "report text\n");
        QVERIFY(!id.empty());
        QCOMPARE(db->pending(), std::vector<std::string> {id});
        CrashReportDatabase::Fields loaded;
        std::string text;
        QVERIFY(db->load(id, &loaded, &text));
        QVERIFY(loaded == fields);
        QCOMPARE(text, std::string("report text\n"));

        // Two uploaders (the one started at launch, the one after a crash) never both send it.
        {
            CrashReportDatabase::UploadLock first(*db, id);
            CrashReportDatabase::UploadLock second(*db, id);
            QVERIFY(first.isLocked());
            QVERIFY(!second.isLocked());
            QVERIFY(db->markUploaded(id));
        }
        QVERIFY(db->pending().empty());
        QVERIFY(!CrashReportDatabase::UploadLock(*db, id).isLocked());
        QVERIFY(QFile::exists(
            dir.filePath(QStringLiteral("crash_db/completed/%1.report").arg(QString::fromStdString(id)))));
    }

    void folderStaysBounded()
    {
        QTemporaryDir dir;
        auto db = CrashReportDatabase::initialize(folderOf(dir));
        QVERIFY(db);
        std::vector<std::string> ids;
        for (std::size_t i = 0; i < CrashReportDatabase::maxPending + 5; ++i) {
            ids.push_back(db->store({{"n", std::to_string(i)}}, "crash " + std::to_string(i)));
            QVERIFY(!ids.back().empty());
        }
        // The newest are kept, oldest first.
        const std::vector<std::string> pending = db->pending();
        QCOMPARE(pending.size(), CrashReportDatabase::maxPending);
        QVERIFY(std::equal(pending.begin(), pending.end(), ids.end() - CrashReportDatabase::maxPending));

        for (const std::string& id : pending)
            db->markUploaded(id);
        QCOMPARE(QDir(dir.filePath(QStringLiteral("crash_db/completed"))).entryList(QDir::Files).size(),
                 int(CrashReportDatabase::maxCompleted));
    }

    void halfWrittenReportsAreNeitherSentNorKeptForever()
    {
        QTemporaryDir dir;
        auto db = CrashReportDatabase::initialize(folderOf(dir));
        QVERIFY(db);
        // A report whose fields never made it, and a temporary file: a writer died.
        const std::string orphan = db->reportPath("20200101-000000-000000-1-deadbeef");
        const std::string temp = db->fieldsPath("20200101-000000-000000-1-deadbeef") + ".tmp";
        for (const std::string& path : {orphan, temp}) {
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("partial");
        }
        QVERIFY(db->pending().empty());
        db->prune();
        QVERIFY(QFile::exists(QString::fromStdString(orphan))); // may still be being written
        makeOld(orphan);
        makeOld(temp);
        db->prune();
        QVERIFY(!QFile::exists(QString::fromStdString(orphan)));
        QVERIFY(!QFile::exists(QString::fromStdString(temp)));
    }

    // A collector that answers without end, or a byte at a time, neither fills the
    // uploader's memory nor keeps it running; the report stays for the next try. The
    // reference collector still gets every field and the report.
    void uploaderIsBoundedAndSendsOnlyWhatIsTaken()
    {
        QTemporaryDir dir;
        auto db = CrashReportDatabase::initialize(folderOf(dir));
        QVERIFY(db && db->setUploadsEnabled(true));
        const CrashReportDatabase::Fields fields {
            {"token", "a3f19c07d2e85b4160c9e7f2a8d35b106e4c9a27f1d08b53c6e2a9f47b10d862"},
            {"cvUserId", ""},
            {"lkVersion", "2.8.1"}};
        const std::string id = db->store(fields, "Larkspan crash report\n");
        QVERIFY(!id.empty());

        HostileService collector;
        HostileService::Reply endless("{\"id\":");
        endless.filler = qint64(2) << 30;
        endless.chunkBytes = 64 * 1024;
        collector.answer(endless);
        Upload upload = runUploader(dir, collector.url(QStringLiteral("/")));
        QCOMPARE(upload.exitCode, 1);
        QVERIFY2(upload.output.contains("more than"), upload.output.constData());
        QVERIFY2(upload.elapsedMs < 10000, qPrintable(QString::number(upload.elapsedMs)));
        QVERIFY2(childPeakMiB() < 64, qPrintable(QString::number(childPeakMiB())));
        QCOMPARE(db->pending(), std::vector<std::string> {id});
        QVERIFY(collector.requests().last().contains("Larkspan crash report"));

        HostileService::Reply trickle("{\"id\":1}");
        trickle.trickleMs = 1000;
        collector.answer(trickle);
        upload =
            runUploader(dir, collector.url(QStringLiteral("/")), {QStringLiteral("--time-limit"), QStringLiteral("2")});
        QCOMPARE(upload.exitCode, 1);
        QVERIFY2(upload.output.contains("took too long"), upload.output.constData());
        QVERIFY2(upload.elapsedMs < 5000, qPrintable(QString::number(upload.elapsedMs)));
        QCOMPARE(db->pending(), std::vector<std::string> {id});

        DevServerProcess server;
        QVERIFY2(server.start({QStringLiteral("--quiet")}), qPrintable(server.errorString()));
        upload = runUploader(dir, server.crashUrl());
        QVERIFY2(upload.exitCode == 0, upload.output.constData());
        QVERIFY(db->pending().empty());
        const QJsonArray crashes = DevServerProcess::jsonReply("GET", server.url(QStringLiteral("/dev/crashes")))
                                       .value(QStringLiteral("crashes"))
                                       .toArray();
        QCOMPARE(crashes.size(), 1);
        const QJsonObject crash = crashes.first().toObject();
        QCOMPARE(crash.value(QStringLiteral("fields")).toObject().keys(),
                 (QStringList {"cvUserId", "lkVersion", "token"}));
        QCOMPARE(crash.value(QStringLiteral("report")).toString(), QStringLiteral("Larkspan crash report\n"));
        QCOMPARE(crash.value(QStringLiteral("file_name")).toString(),
                 QString::fromStdString(id) + QStringLiteral(".txt"));
    }

    void unusableFolderIsRefused()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("crash_db")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!CrashReportDatabase::initialize(folderOf(dir)));
    }
};

LARKSPAN_TEST_MAIN(TestCrashReportDatabase, QCoreApplication)
#include "tst_crashreportdatabase.moc"
