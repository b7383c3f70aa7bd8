#include "Clock.h"
#include "SettingsKeys.h"
#include "TestClock.h"
#include "TestHome.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSettings>
#include <QtTest>

namespace {

UserInfo withToken(qint64 createdMsAgo, qint64 lifetimeSecs)
{
    UserInfo info;
    info.setAccessToken(QStringLiteral("token"));
    info.setAccessTokenCreationMillisecs(Clock::currentMSecsSinceEpoch() - createdMsAgo);
    info.setAccessTokenExpiriesInSecs(lifetimeSecs);
    return info;
}

bool isDefault(const UserInfo& info)
{
    return info.cvUserId().isEmpty() && info.refreshToken().isEmpty() && info.accessToken().isEmpty()
        && info.accessTokenCreationMillisecs() == 0 && info.accessTokenExpiriesInSecs() == 0;
}

} // namespace

class TestUserInfo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
        QCoreApplication::setApplicationName(QStringLiteral("Larkspan"));
    }
    void init() { QSettings().clear(); }

    void loggedInNeedsIdAndRefreshToken()
    {
        UserInfo info;
        info.setCvUserId(QStringLiteral("u-1"));
        QVERIFY(!info.isLoggedIn());
        info.setRefreshToken(QStringLiteral("r"));
        QVERIFY(info.isLoggedIn());
        info.setCvUserId(QString());
        QVERIFY(!info.isLoggedIn());
    }

    void accessTokenKeepsAFiveMinuteMargin()
    {
        TestClock clock;
        QVERIFY(withToken(0, 3600).isAccessTokenValid());
        // 3300 s is the last valid moment.
        QVERIFY(withToken(3300 * 1000LL, 3600).isAccessTokenValid());
        QVERIFY(!withToken(3300 * 1000LL + 1, 3600).isAccessTokenValid());
        QVERIFY(!withToken(1, 300).isAccessTokenValid());
        QVERIFY(!withToken(1, 0).isAccessTokenValid());

        // A token stays what it is while time passes, and expires at its moment.
        const UserInfo token = withToken(0, 3600);
        clock.advanceSecs(3300);
        QVERIFY(token.isAccessTokenValid());
        clock.advanceMSecs(1);
        QVERIFY(!token.isAccessTokenValid());
        // A clock set back before the token was made does not end it.
        clock.advanceSecs(-4000);
        QVERIFY(token.isAccessTokenValid());

        UserInfo noToken = withToken(0, 3600);
        noToken.setAccessToken(QString());
        QVERIFY(!noToken.isAccessTokenValid());
    }

    void absurdNumbersDoNotOverflow()
    {
        UserInfo info = withToken(0, std::numeric_limits<qint64>::max());
        QVERIFY(info.isAccessTokenValid());
        info.setAccessTokenExpiriesInSecs(std::numeric_limits<qint64>::min());
        QVERIFY(!info.isAccessTokenValid());
        info.setAccessTokenExpiriesInSecs(3600);
        info.setAccessTokenCreationMillisecs(std::numeric_limits<qint64>::min());
        QVERIFY(!info.isAccessTokenValid());
    }

    void jsonRoundTrip()
    {
        QCOMPARE(UserInfo().toJson(),
                 QStringLiteral("{\"accessToken\":\"\",\"accessTokenCreationMillisecs\":0,"
                                "\"accessTokenExpiriesInSecs\":0,\"cvUserId\":\"\",\"refreshToken\":\"\"}"));
        QVERIFY(isDefault(UserInfo::fromJson(UserInfo().toJson())));

        UserInfo info = withToken(0, 3600);
        info.setCvUserId(QStringLiteral("ユーザー"));
        info.setRefreshToken(QStringLiteral("r\"1"));
        const UserInfo back = UserInfo::fromJson(info.toJson());
        QCOMPARE(back.cvUserId(), info.cvUserId());
        QCOMPARE(back.refreshToken(), info.refreshToken());
        QCOMPARE(back.accessToken(), info.accessToken());
        QCOMPARE(back.accessTokenCreationMillisecs(), info.accessTokenCreationMillisecs());
        QCOMPARE(back.accessTokenExpiriesInSecs(), qint64(3600));
    }

    void garbageReadsAsLoggedOut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("not json") << QStringLiteral("{{{ nope");
        QTest::newRow("array") << QStringLiteral("[1,2]");
        QTest::newRow("wrong types") << QStringLiteral("{\"cvUserId\":5,\"refreshToken\":[],\"accessToken\":null}");
        QTest::newRow("huge numbers") << QStringLiteral("{\"accessTokenCreationMillisecs\":1e300,"
                                                        "\"accessTokenExpiriesInSecs\":-1e300}");
    }

    void garbageReadsAsLoggedOut()
    {
        QFETCH(QString, text);
        const UserInfo info = UserInfo::fromJson(text);
        QVERIFY(isDefault(info));
        QVERIFY(!info.isLoggedIn());
    }

    void loadSaveAndLogout()
    {
        QVERIFY(isDefault(UserInfo::load()));
        QVERIFY(!QSettings().contains(Keys::userInfoJson));

        UserInfo info = withToken(0, 3600);
        info.setCvUserId(QStringLiteral("u-1"));
        info.setRefreshToken(QStringLiteral("r"));
        info.save();
        const UserInfo loaded = UserInfo::load();
        QVERIFY(loaded.isLoggedIn());
        QVERIFY(loaded.isAccessTokenValid());

        info.logout();
        QVERIFY(!info.isLoggedIn());
        QVERIFY(!info.isAccessTokenValid());
        QCOMPARE(QSettings().value(Keys::userInfoJson).toString(), UserInfo().toJson());
        QVERIFY(isDefault(UserInfo::load()));
    }
};

LARKSPAN_TEST_MAIN(TestUserInfo, QCoreApplication)
#include "tst_userinfo.moc"
