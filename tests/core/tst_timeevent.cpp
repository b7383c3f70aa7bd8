#include "SettingsKeys.h"
#include "TestClock.h"
#include "TestHome.h"
#include "TimeEvent.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QTimeZone>
#include <QtTest>

namespace {

QString md5Of(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

const QString salt = QString(AppConstants::signingSalt);

TimeEvent signedEvent()
{
    TimeEvent event(QDateTime(QDate(2020, 5, 1), QTime(10, 0, 0), Qt::UTC), QStringLiteral("editor"),
                    QStringLiteral("Doc1"), QStringLiteral("meta"));
    event.setSignature(TimeEvent::buildSignature(event));
    return event;
}

} // namespace

class TestTimeEvent : public QObject
{
    Q_OBJECT
private slots:
    void defaultsAreEmptyMarkersAndUnsigned()
    {
        const TestClock clock;
        const TimeEvent event;
        QCOMPARE(event.appName(), QStringLiteral("@_empty_@"));
        QCOMPARE(event.windowTitle(), QStringLiteral("@_empty_@"));
        QCOMPARE(event.metaData(), QStringLiteral("@_empty_@"));
        QVERIFY(event.signature().isEmpty());
        QVERIFY(!event.isValid());
        QCOMPARE(event.eventTime(), clock.nowUtc());
        QCOMPARE(event.eventTimeStr(), event.eventTime().toUTC().toString(QStringLiteral("yyyyMMddHHmmss")));
    }

    void localTimeIsStoredAsUtcText()
    {
        const QDateTime local(QDate(2021, 3, 4), QTime(10, 0, 0, 250), QTimeZone(QByteArrayLiteral("UTC+10:00")));
        const TimeEvent event(local, QStringLiteral("a"), QStringLiteral("t"), QStringLiteral("m"));
        QCOMPARE(event.eventTimeStr(), QStringLiteral("20210304000000"));

        TimeEvent other;
        other.setEventTimeStr(QStringLiteral("20210304000000"));
        QCOMPARE(other.eventTime(), QDateTime(QDate(2021, 3, 4), QTime(0, 0), Qt::UTC));
        other.setEventTimeStr(QString());
        QVERIFY(!other.eventTime().isValid());
        other.setEventTime(QDateTime());
        QVERIFY(other.eventTimeStr().isNull());
    }

    void signatureIsMd5OfJoinedFieldsAndSalt()
    {
        const TimeEvent event = signedEvent();
        QCOMPARE(event.signature(), md5Of(QStringLiteral("20200501100000+editor+Doc1+meta+") + salt));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(event.signature()).hasMatch());
        QVERIFY(event.isValid());
    }

    void placeMarkersInValuesFollowChainedArg_data()
    {
        QTest::addColumn<QString>("appName");
        QTest::addColumn<QString>("windowTitle");
        QTest::addColumn<QString>("metaData");
        QTest::addColumn<QString>("signedText");
        // The text is derived by hand, one lowest-marker substitution per step.
        QTest::newRow("%3 in app name is rewritten by the title step") << "a%3b"
                                                                       << "T"
                                                                       << "M"
                                                                       << "20200501100000+aTb+T+M+" + salt;
        QTest::newRow("%1 in title takes the metadata, salt lands on %4") << "A"
                                                                          << "%1"
                                                                          << "M"
                                                                          << "20200501100000+A+M+salt-here+%5";
        QTest::newRow("%99 in metadata receives the salt") << "A"
                                                           << "T"
                                                           << "x%99"
                                                           << "20200501100000+A+T+x%99+" + salt;
        QTest::newRow("%5 in app name gets the salt twice") << "%5"
                                                            << "T"
                                                            << "M"
                                                            << "20200501100000+" + salt + "+T+M+" + salt;
        QTest::newRow("%L1 counts as a marker too") << "%L1"
                                                    << "T"
                                                    << "M"
                                                    << "20200501100000+T+M+salt-here+%5";
    }

    void placeMarkersInValuesFollowChainedArg()
    {
        QFETCH(QString, appName);
        QFETCH(QString, windowTitle);
        QFETCH(QString, metaData);
        QFETCH(QString, signedText);
        signedText.replace(QStringLiteral("salt-here"), salt);
        TimeEvent event(QDateTime(QDate(2020, 5, 1), QTime(10, 0, 0), Qt::UTC), appName, windowTitle, metaData);
        QCOMPARE(TimeEvent::buildSignature(event), md5Of(signedText));
    }

    void changingSignedFieldsInvalidatesButIdDoesNot()
    {
        TimeEvent event = signedEvent();
        event.setId(42);
        QVERIFY(event.isValid());

        TimeEvent changed = signedEvent();
        changed.setAppName(QStringLiteral("Editor"));
        QVERIFY(!changed.isValid());
        changed = signedEvent();
        changed.setWindowTitle(QStringLiteral("Doc2"));
        QVERIFY(!changed.isValid());

        TimeEvent meta = signedEvent();
        meta.setMetaData(QString());
        QVERIFY(!meta.isValid());
        TimeEvent time = signedEvent();
        time.setEventTimeStr(QStringLiteral("20200501100001"));
        QVERIFY(!time.isValid());

        TimeEvent upper = signedEvent();
        upper.setSignature(upper.signature().toUpper());
        QVERIFY(!upper.isValid());
    }

    void copiesAreUnsignedAndAssignmentKeepsIdentity()
    {
        TimeEvent source = signedEvent();
        source.setId(7);
        const TimeEvent copy(source);
        QVERIFY(copy.signature().isEmpty());
        QVERIFY(!copy.isValid());
        QCOMPARE(copy.id(), qint64(0));
        QCOMPARE(copy.eventTimeStr(), source.eventTimeStr());
        QCOMPARE(copy.appName(), source.appName());

        TimeEvent target(QDateTime::currentDateTimeUtc(), QStringLiteral("x"), QStringLiteral("y"),
                         QStringLiteral("z"));
        target.setId(99);
        target.setSignature(QStringLiteral("own"));
        target = source;
        QCOMPARE(target.id(), qint64(99));
        QCOMPARE(target.signature(), QStringLiteral("own"));
        QCOMPARE(target.windowTitle(), source.windowTitle());
        QCOMPARE(target.eventTimeStr(), source.eventTimeStr());
    }
};

LARKSPAN_TEST_MAIN(TestTimeEvent, QCoreApplication)
#include "tst_timeevent.moc"
