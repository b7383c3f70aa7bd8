#include "SettingsKeys.h"
#include "TestClock.h"
#include "TestHome.h"
#include "TimeLog.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonDocument>
#include <QSettings>
#include <QSysInfo>
#include <QRegularExpression>
#include <QtTest>

#include <ctime>

namespace {

QString md5Of(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

TimeLog sampleLog()
{
    TimeLog log;
    log.setStartTimeStr(QStringLiteral("20200501100000"));
    log.setEndTimeStr(QStringLiteral("20200501100500"));
    log.setAppName(QStringLiteral("editor"));
    log.setWindowTitle(QStringLiteral("Doc1"));
    log.setPlatform(QStringLiteral("Debian GNU/Linux 12"));
    log.setMacAddress(QStringLiteral("00:11:22:33:44:55"));
    log.setActiveCount(12);
    log.setMetaData(QStringLiteral("meta"));
    return log;
}

void setZone(const char* zone)
{
    qputenv("TZ", zone);
    tzset();
}

} // namespace

class TestTimeLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
        QCoreApplication::setApplicationName(QStringLiteral("Larkspan"));
    }

    void init() { QSettings().clear(); }
    void cleanup() { setZone("UTC"); }

    void defaultsAndMachineIdentifier()
    {
        const TimeLog fresh;
        QCOMPARE(fresh.id(), qint64(0));
        QVERIFY(!fresh.startTime().isValid());
        QCOMPARE(fresh.platform(), QSysInfo::prettyProductName());
        QCOMPARE(fresh.activeCount(), 0);
        QVERIFY(!fresh.isValid());
        QSettings().setValue(Keys::macAddress, QStringLiteral("aa:bb:cc:dd:ee:ff"));
        QCOMPARE(TimeLog().macAddress(), QStringLiteral("aa:bb:cc:dd:ee:ff"));
    }

    // A machine without a hardware address (only loopback, tun, WireGuard) stores an empty
    // value: its logs must still be valid, and all name the same generated machine.
    void emptyMachineIdentifierIsGeneratedOnceAndKept()
    {
        QSettings().setValue(Keys::macAddress, QString());
        TimeLog first = sampleLog();
        first.setMacAddress(QString());
        const TimeLog copy(first);
        const QString generated = QSettings().value(Keys::macAddress).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-F]{2}(:[0-9A-F]{2}){5}$")).match(generated).hasMatch(),
                 qPrintable(generated));
        QCOMPARE(copy.macAddress(), generated);
        QVERIFY(copy.isValid());
        QCOMPARE(TimeLog().macAddress(), generated);
        // Locally administered, so it never poses as a real card's address.
        QCOMPARE(generated.left(2).toInt(nullptr, 16) & 0x03, 0x02);
        QSettings().remove(Keys::macAddress);
        QVERIFY(TimeLog().macAddress() != generated);
        QVERIFY(QSettings().contains(Keys::macAddress));
    }

    void validityNeedsTheSixTexts()
    {
        TimeLog log = sampleLog();
        log.setMetaData(QString());
        log.setActiveCount(0);
        QVERIFY(log.isValid());
        log.setWindowTitle(QString());
        QVERIFY(!log.isValid());
        log = sampleLog();
        log.setStartTimeStr(QString());
        QVERIFY(!log.isValid());
    }

    void signatureCoversTheUploadedFieldsOnly()
    {
        TimeLog log = sampleLog();
        log.setSignature(TimeLog::buildSignature(log));
        QCOMPARE(log.signature(),
                 md5Of(QStringLiteral("20200501100000+20200501100500+editor+Doc1+Debian GNU/Linux 12+"
                                      "00:11:22:33:44:55+12+meta+")
                       + QString(AppConstants::signingSalt)));
        log.setId(1234);
        log.setTzDatabaseVal(QStringLiteral("Mars/Olympus"));
        log.setTzUtcOffset(7);
        QVERIFY(log.isVerified());
        log.setAppName(QStringLiteral("Editor"));
        QVERIFY(!log.isVerified());
        TimeLog upper = sampleLog();
        upper.setSignature(TimeLog::buildSignature(upper).toUpper());
        QVERIFY(!upper.isVerified());
    }

    void markersInValuesAndLargeCountsSignLikeChainedArg()
    {
        TimeLog log = sampleLog();
        log.setWindowTitle(QStringLiteral("100%7 done"));
        log.setActiveCount(123456);
        // "%7" in the title joins the template's own %7: both take the count.
        const QString text = QStringLiteral("20200501100000+20200501100500+editor+100123456 done+"
                                            "Debian GNU/Linux 12+00:11:22:33:44:55+123456+meta+")
            + QString(AppConstants::signingSalt);
        QCOMPARE(TimeLog::buildSignature(log), md5Of(text));
    }

    void timeSettersKeepPairsInStep()
    {
        TimeLog log;
        log.setStartTime(QDateTime(QDate(2020, 5, 1), QTime(12, 0), QTimeZone(QByteArrayLiteral("UTC+02:00"))));
        QCOMPARE(log.startTimeStr(), QStringLiteral("20200501100000"));
        log.setEndTimeStr(QStringLiteral("20200501100500"));
        QCOMPARE(log.endTime(), QDateTime(QDate(2020, 5, 1), QTime(10, 5), Qt::UTC));
        log.setEndTime(QDateTime());
        QVERIFY(log.endTimeStr().isEmpty());
    }

    void endTextInsideALocalDaylightGapStillParses()
    {
        // 02:30 on 2021-03-28 does not exist in Berlin; as UTC text it is an ordinary time.
        setZone("Europe/Berlin");
        TimeLog log;
        log.setEndTimeStr(QStringLiteral("20210328023000"));
        QCOMPARE(log.endTime(), QDateTime(QDate(2021, 3, 28), QTime(2, 30), Qt::UTC));
    }

    void copiesAndAssignment()
    {
        TimeLog source = sampleLog();
        source.setId(5);
        source.setSignature(QStringLiteral("sig"));
        source.setTzDatabaseVal(QStringLiteral("Elsewhere/Zone"));
        source.setTzUtcOffset(9);

        const TimeLog copy(source);
        QCOMPARE(copy.id(), qint64(5));
        QCOMPARE(copy.signature(), QStringLiteral("sig"));
        QCOMPARE(copy.endTime(), source.endTime());
        // The copy describes the machine it is on now.
        QCOMPARE(copy.tzDatabaseVal(), QString::fromUtf8(QTimeZone::systemTimeZoneId()));

        TimeLog assigned;
        assigned = source;
        QCOMPARE(assigned.tzDatabaseVal(), QStringLiteral("Elsewhere/Zone"));
        QCOMPARE(assigned.tzUtcOffset(), 9);
        QCOMPARE(assigned.startTime(), QDateTime(QDate(2020, 5, 1), QTime(10, 0), Qt::UTC));
        QCOMPARE(assigned.signature(), QStringLiteral("sig"));
    }

    // The offset is the zone's offset at the moment the log is made, daylight saving included.
    void zoneOffsetIsTruncatedHours_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("hours");
        const QDate winter(2024, 1, 15);
        const QDate summer(2024, 7, 15);
        QTest::newRow("+05:45") << QByteArray("Asia/Kathmandu") << winter << 5;
        QTest::newRow("-09:30") << QByteArray("Pacific/Marquesas") << summer << -9;
        QTest::newRow("+05:30") << QByteArray("Asia/Kolkata") << winter << 5;
        QTest::newRow("-03:30 in winter") << QByteArray("America/St_Johns") << winter << -3;
        QTest::newRow("-02:30 in summer") << QByteArray("America/St_Johns") << summer << -2;
        QTest::newRow("+01:00 in winter") << QByteArray("Europe/Berlin") << winter << 1;
        QTest::newRow("+02:00 in summer") << QByteArray("Europe/Berlin") << summer << 2;
        QTest::newRow("+10:00") << QByteArray("Australia/Brisbane") << summer << 10;
    }

    void zoneOffsetIsTruncatedHours()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDate, day);
        QFETCH(int, hours);
        setZone(zone.constData());
        TestClock clock(QDateTime(day, QTime(12, 0), Qt::UTC));
        const TimeLog log;
        QCOMPARE(log.tzUtcOffset(), hours);
        QCOMPARE(log.tzDatabaseVal(), QString::fromLatin1(zone));
    }

    void loadedLogReportsTheZoneOfNow()
    {
        setZone("Asia/Tokyo");
        TimeLog recorded = sampleLog();
        setZone("America/New_York");
        const TimeLog loaded(recorded);
        QCOMPARE(loaded.tzDatabaseVal(), QStringLiteral("America/New_York"));
    }

    void writeProducesTheUploadObject()
    {
        TimeLog log = sampleLog();
        log.setId(8589934597LL); // beyond 32 bits
        log.setSignature(TimeLog::buildSignature(log));
        QJsonObject json;
        json[QStringLiteral("keep")] = true;
        log.write(json);
        QCOMPARE(json.size(), 12);
        QVERIFY(json.value(QStringLiteral("keep")).toBool());
        QVERIFY(!json.contains(QStringLiteral("sig")) && !json.contains(QStringLiteral("signature")));
        for (const char* key : {"client_id", "tz_utc_offset", "active_count"})
            QVERIFY2(json.value(QLatin1String(key)).isDouble(), key);
        for (const char* key : {"start_time", "end_time", "app_name", "activity_description", "platform",
                                "tz_database_val", "machine_address", "meta_data"})
            QVERIFY2(json.value(QLatin1String(key)).isString(), key);
        QCOMPARE(qint64(json.value(QStringLiteral("client_id")).toDouble()), 8589934597LL);
        QCOMPARE(json.value(QStringLiteral("activity_description")).toString(), QStringLiteral("Doc1"));
        QCOMPARE(json.value(QStringLiteral("machine_address")).toString(), QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(json.value(QStringLiteral("active_count")).toInt(), 12);
    }

    void readIsTheReverseExceptForTheNumericId()
    {
        TimeLog source = sampleLog();
        source.setId(77);
        QJsonObject json;
        source.write(json);

        TimeLog target;
        target.setStartTimeStr(QStringLiteral("19990101000000"));
        target.setSignature(QStringLiteral("untouched"));
        target.read(json);
        QCOMPARE(target.id(), qint64(0));
        QCOMPARE(target.startTimeStr(), source.startTimeStr());
        QCOMPARE(target.startTime(), QDateTime(QDate(1999, 1, 1), QTime(0, 0), Qt::UTC));
        QCOMPARE(target.signature(), QStringLiteral("untouched"));
        QCOMPARE(target.appName(), source.appName());
        QCOMPARE(target.macAddress(), source.macAddress());
        QCOMPARE(target.activeCount(), 12);

        json[QStringLiteral("client_id")] = QStringLiteral("8589934597");
        json.remove(QStringLiteral("meta_data"));
        json[QStringLiteral("active_count")] = QStringLiteral("x");
        target.read(json);
        QCOMPARE(target.id(), 8589934597LL);
        QVERIFY(target.metaData().isEmpty());
        QCOMPARE(target.activeCount(), 0);
    }

    void unicodeTitlesSurviveJson()
    {
        const QString title = QStringLiteral("Café – 日本語 😀 עברית مرحبا");
        TimeLog log = sampleLog();
        log.setWindowTitle(title);
        QJsonObject json;
        log.write(json);
        const QByteArray bytes = QJsonDocument(json).toJson(QJsonDocument::Compact);
        QVERIFY(bytes.contains(title.toUtf8()));
        const QJsonObject parsed = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(parsed.value(QStringLiteral("activity_description")).toString(), title);
    }
};

LARKSPAN_TEST_MAIN(TestTimeLog, QCoreApplication)
#include "tst_timelog.moc"
