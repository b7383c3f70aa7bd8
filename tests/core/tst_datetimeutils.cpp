#include "DateTimeUtils.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QTimeZone>
#include <QtTest>

// Runs with TZ=Australia/Sydney (UTC+11 in March), so local and UTC differ by a date.
class TestDateTimeUtils : public QObject
{
    Q_OBJECT
private slots:
    void utcTextRoundTrip()
    {
        const QDateTime sydney(QDate(2019, 3, 1), QTime(9, 30, 15), QTimeZone(11 * 3600));
        QCOMPARE(DateTimeUtils::toUTCString(sydney), QStringLiteral("20190228223015"));
        const QDateTime parsed = DateTimeUtils::fromUTCString(QStringLiteral("20190228223015"));
        QCOMPARE(parsed.timeSpec(), Qt::UTC);
        QCOMPARE(parsed, QDateTime(QDate(2019, 2, 28), QTime(22, 30, 15), Qt::UTC));
        QCOMPARE(parsed, sydney);

        for (const char* text : {"20000101000000", "20191231235959", "20240229120000", "19991231235959"})
            QCOMPARE(DateTimeUtils::toUTCString(DateTimeUtils::fromUTCString(QLatin1String(text))),
                     QLatin1String(text));
        QVERIFY(DateTimeUtils::toUTCString(QDateTime()).isNull());
    }

    void malformedTextIsInvalid()
    {
        for (const char* text : {"", "201902282230", "2019022822301", "201902282230150", "2019022822301x",
                                 "20190230120000", "20190228250000", " 0190228223015"})
            QVERIFY2(!DateTimeUtils::fromUTCString(QLatin1String(text)).isValid(), text);
    }

    void wallClockInALocalDaylightGapStaysExact()
    {
        // 02:30 on 6 October 2019 does not exist in Sydney (clocks jump 02:00 -> 03:00);
        // read as UTC it is an ordinary instant and must come back unchanged.
        const QString text = QStringLiteral("20191006023000");
        QCOMPARE(DateTimeUtils::toUTCString(DateTimeUtils::fromUTCString(text)), text);
    }

    void localForms()
    {
        const QDateTime utc(QDate(2019, 2, 28), QTime(22, 30, 15), Qt::UTC);
        QCOMPARE(DateTimeUtils::toLocalDateString(utc), QStringLiteral("20190301"));
        QCOMPARE(DateTimeUtils::toLocalTimeString(utc, true), QStringLiteral("09:30:15"));
        QCOMPARE(DateTimeUtils::toLocalTimeString(utc, false), QStringLiteral("09:30"));
        QVERIFY(DateTimeUtils::toLocalDateString(QDateTime()).isNull());
        QVERIFY(DateTimeUtils::toLocalTimeString(QDateTime(), true).isNull());
    }

    void durations_data()
    {
        QTest::addColumn<int>("secs");
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clock");
        QTest::newRow("equal") << 0 << 0 << 0 << "0s"
                               << "00:00:00";
        QTest::newRow("59s") << 59 << 0 << 1 << "59s"
                             << "00:00:59";
        QTest::newRow("89s") << 89 << 0 << 1 << "1m29s"
                             << "00:01:29";
        QTest::newRow("5400s") << 5400 << 1 << 30 << "1h30m0s"
                               << "01:30:00";
        QTest::newRow("7199s") << 7199 << 1 << 60 << "1h59m59s"
                               << "01:59:59";
        QTest::newRow("two hours") << 7200 << 2 << 0 << "2h0m0s"
                                   << "02:00:00";
        QTest::newRow("1h5m9s") << 3909 << 1 << 5 << "1h5m9s"
                                << "01:05:09";
        QTest::newRow("123h") << 123 * 3600 << 123 << 0 << "123h0m0s"
                              << "123:00:00";
    }

    void durations()
    {
        QFETCH(int, secs);
        const QDateTime from = QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime to = from.addSecs(secs);
        QFETCH(int, hours);
        QFETCH(int, minutes);
        QFETCH(QString, text);
        QFETCH(QString, clock);
        QCOMPARE(DateTimeUtils::durationHoursAndMinutesBetween(from, to), (QVector<int> {hours, minutes}));
        QCOMPARE(DateTimeUtils::durationHoursAndMinutesBetween(to, from), (QVector<int> {hours, minutes}));
        QCOMPARE(DateTimeUtils::formatDurationBetween(from, to, false), text);
        QCOMPARE(DateTimeUtils::formatDurationBetween(to, from, true), clock);
    }

    void invalidInstantsGiveZeroDuration()
    {
        QCOMPARE(DateTimeUtils::durationHoursAndMinutesBetween(QDateTime(), QDateTime::currentDateTime()),
                 (QVector<int> {0, 0}));
        QCOMPARE(DateTimeUtils::formatDurationBetween(QDateTime(), QDateTime::currentDateTime(), false),
                 QStringLiteral("0s"));
    }
};

LARKSPAN_TEST_MAIN(TestDateTimeUtils, QCoreApplication)
#include "tst_datetimeutils.moc"
