#include "TestHome.h"
#include "TokenMask.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QtTest>

class TestTokenMask : public QObject
{
    Q_OBJECT
private slots:
    void tokensNeverAppearWhole()
    {
        const QString refresh = QStringLiteral("rt_9f8e7d6c5b4a39281706");
        const QString access = QStringLiteral("eyJhbGciOiJIUzI1NiJ9.payload.signature");
        QCOMPARE(TokenMask::token(refresh), QStringLiteral("rt_9f8..."));
        QCOMPARE(TokenMask::token(QString()), QString());
        QCOMPARE(TokenMask::token(QStringLiteral("short")), QStringLiteral("..."));

        UserInfo info;
        info.setCvUserId(QStringLiteral("user-1"));
        info.setRefreshToken(refresh);
        info.setAccessToken(access);
        const QString json = TokenMask::userInfo(info);
        QVERIFY(!json.contains(refresh));
        QVERIFY(!json.contains(access));
        QVERIFY(json.contains(QStringLiteral("user-1")));
        // The masked copy leaves the original alone.
        QCOMPARE(info.refreshToken(), refresh);

        const QString url = QStringLiteral("http://host/console/login/r/") + refresh + QStringLiteral("?x=") + refresh;
        QCOMPARE(TokenMask::inText(url, refresh), QStringLiteral("http://host/console/login/r/rt_9f8...?x=rt_9f8..."));
    }
};

LARKSPAN_TEST_MAIN(TestTokenMask, QCoreApplication)
#include "tst_tokenmask.moc"
