#include "CrashReportDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
        const CrashReportDatabase::Fields fields {{"cvUserId", ""}, {"currentOsName", "Multi\nline \\ OS = 1"},
                                                  {"lkVersion", "2.8.1"}};
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
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("crash_db/completed/%1.report").arg(QString::fromStdString(id)))));
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

    void unusableFolderIsRefused()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("crash_db")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!CrashReportDatabase::initialize(folderOf(dir)));
    }
};

QTEST_GUILESS_MAIN(TestCrashReportDatabase)
#include "tst_crashreportdatabase.moc"
