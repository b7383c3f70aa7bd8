#include "AppSignals.h"
#include "DatabaseManager.h"
#include "HttpClient.h"
#include "SettingsKeys.h"
#include "SyncTestSupport.h"
#include "TestClock.h"
#include "TestHome.h"
#include "TimeEvent.h"
#include "TimeLog.h"
#include "TimeLogUploader.h"
#include "UserInfo.h"

#include <QCoreApplication>
#include <QSettings>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

using namespace SyncTest;

namespace {

TimeLogDao& store()
{
    return DatabaseManager::instance().timeLogDao;
}

int storedCount()
{
    return int(store().allTimeLogs()->size());
}

// Consecutive one-minute logs, the oldest first.
void addLogs(int count, const QString& app, const QString& title = QStringLiteral("Window"))
{
    static QDateTime next = QDateTime::currentDateTimeUtc().addDays(-2);
    for (int i = 0; i < count; ++i) {
        TimeLog log;
        log.setStartTime(next);
        next = next.addSecs(60);
        log.setEndTime(next);
        log.setAppName(app);
        log.setWindowTitle(title);
        log.setMetaData(TimeEvent::strEmpty());
        store().addTimeLog(log);
    }
}

} // namespace

// The uploader against the reference server: what is sent, what is deleted, how
// failures are counted and announced.
class TestTimeLogUploader : public QObject
{
    Q_OBJECT
private:
    DevServerProcess server;

    // Runs one pass and waits until its request (if any) has been answered.
    void passAndSettle(TimeLogUploader& uploader)
    {
        uploader.runPass();
        QTRY_VERIFY_WITH_TIMEOUT(!uploader.isWaitingUploadResults(), 15000);
    }

private slots:
    void initTestCase()
    {
        AppSignals::init(QCoreApplication::instance());
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        useServer(server);
    }

    void init()
    {
        QSettings().clear();
        iniSettings().remove(IniKeys::uploadDisabled);
        store().removeAllTimeLogs();
        behave(server, QStringLiteral("reset=1"));
    }

    void disabledOrLoggedOutSendsNothing()
    {
        addLogs(3, QStringLiteral("editor"));
        TimeLogUploader uploader;
        QSignalSpy loginRequired(AppSignals::instance(), &AppSignals::loginRequired);
        iniSettings().setValue(IniKeys::uploadDisabled, true);
        uploader.runPass();
        QCOMPARE(loginRequired.count(), 0);
        iniSettings().remove(IniKeys::uploadDisabled);

        uploader.runPass();
        uploader.runPass();
        QCOMPARE(loginRequired.count(), 2);
        QCOMPARE(storedCount(), 3);
        QVERIFY(!uploader.isWaitingUploadResults());
    }

    void expiredTokenIsExchangedFirst()
    {
        TestClock clock;
        UserInfo user = logInAndStore(server, QStringLiteral("dana"));
        user.setAccessTokenExpiriesInSecs(3600);
        user.save();
        addLogs(2, QStringLiteral("editor"));
        clock.advanceSecs(2 * 3600);

        TimeLogUploader uploader;
        QSignalSpy exchange(uploader.currentHttpClient(), &HttpClient::sigExchangeToken);
        QSignalSpy upload(uploader.currentHttpClient(), &HttpClient::sigUpload);
        uploader.runPass();
        QTRY_COMPARE(exchange.count(), 1);
        QCOMPARE(upload.count(), 0);
        QCOMPARE(exchange.at(0).at(0).toString(), user.refreshToken());
        QTRY_VERIFY_WITH_TIMEOUT(UserInfo::load().isAccessTokenValid(), 10000);

        passAndSettle(uploader);
        QCOMPARE(upload.count(), 1);
        QCOMPARE(storedCount(), 0);
        QCOMPARE(activities(server, user.cvUserId()).size(), 2);
    }

    void backlogGoesUpInBatchesOf500()
    {
        const UserInfo user = logInAndStore(server, QStringLiteral("erin"));
        addLogs(700, QStringLiteral("terminal"));
        TimeLogUploader uploader;
        QSignalSpy uploaded(AppSignals::instance(), &AppSignals::notifyUploaded);
        QSignalSpy upload(uploader.currentHttpClient(), &HttpClient::sigUpload);
        passAndSettle(uploader);
        QCOMPARE(uploaded.count(), 1);
        QCOMPARE(storedCount(), 200);
        passAndSettle(uploader);
        QCOMPARE(uploaded.count(), 2);
        QCOMPARE(storedCount(), 0);
        QCOMPARE(upload.count(), 2);
        QCOMPARE(QJsonDocument::fromJson(upload.at(0).at(0).toString().toUtf8()).array().size(), 500);
        QCOMPARE(activities(server, user.cvUserId()).size(), 700);
        QCOMPARE(QSettings().value(Keys::uploadFailureCount).toInt(), 0);
        // An empty store sends nothing.
        uploader.runPass();
        QVERIFY(!uploader.isWaitingUploadResults());
        QCOMPARE(upload.count(), 2);
    }

    void onlyTheIdsSentAreDeleted()
    {
        logInAndStore(server, QStringLiteral("finn"));
        addLogs(3, QStringLiteral("first"));
        behave(server, QStringLiteral("delay=activity:1500"));
        TimeLogUploader uploader;
        uploader.runPass();
        QTRY_VERIFY(uploader.isWaitingUploadResults());
        // Logs built while the request is out stay for the next pass.
        addLogs(2, QStringLiteral("second"));
        uploader.runPass(); // only waits
        QTRY_VERIFY_WITH_TIMEOUT(!uploader.isWaitingUploadResults(), 15000);
        const auto left = store().allTimeLogs();
        QCOMPARE(int(left->size()), 2);
        for (const auto& log : *left)
            QCOMPARE(log->appName(), QStringLiteral("second"));
    }

    void exclusionsAndBlankNames()
    {
        const UserInfo user = logInAndStore(server, QStringLiteral("gwen"));
        QSettings settings;
        settings.setValue(Keys::excludedAppNames, QStringList {QString(), QStringLiteral("SECRET")});
        settings.setValue(Keys::excludedWinTitles, QStringList {QStringLiteral("bank")});
        addLogs(1, QStringLiteral("my-secret-app"));
        addLogs(1, QStringLiteral("browser"), QStringLiteral("My BANK account"));
        addLogs(1, QStringLiteral("   "), QStringLiteral("untitled"));
        addLogs(1, QStringLiteral("editor"), QStringLiteral(" "));

        TimeLogUploader uploader;
        passAndSettle(uploader);
        QCOMPARE(storedCount(), 0);
        const QList<QJsonObject> sent = activities(server, user.cvUserId());
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).value(QStringLiteral("app_name")).toString(), TimeEvent::strEmpty());
        QCOMPARE(sent.at(1).value(QStringLiteral("app_name")).toString(), QStringLiteral("editor"));
        QCOMPARE(sent.at(1).value(QStringLiteral("activity_description")).toString(), TimeEvent::strEmpty());

        // Everything excluded: nothing is sent and nothing waits.
        addLogs(2, QStringLiteral("top-SeCrEt"));
        QSignalSpy upload(uploader.currentHttpClient(), &HttpClient::sigUpload);
        uploader.runPass();
        QVERIFY(!uploader.isWaitingUploadResults());
        // A request would be on its way to the client's thread now.
        QCoreApplication::sendPostedEvents(&uploader, QEvent::MetaCall);
        QCOMPARE(upload.count(), 0);
        QCOMPARE(storedCount(), 0);
    }

    void tamperedLogsAreDroppedNotSent()
    {
        const UserInfo user = logInAndStore(server, QStringLiteral("hana"));
        addLogs(2, QStringLiteral("editor"));
        {
            QSqlQuery edit(QSqlDatabase::database(QStringLiteral("disk_db_connection")));
            QVERIFY(edit.exec(
                QStringLiteral("UPDATE time_logs SET app_name = 'forged' WHERE id = (SELECT MIN(id) FROM time_logs)")));
        }
        TimeLogUploader uploader;
        passAndSettle(uploader);
        QCOMPARE(storedCount(), 0);
        const QList<QJsonObject> sent = activities(server, user.cvUserId());
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.at(0).value(QStringLiteral("app_name")).toString(), QStringLiteral("editor"));
    }

    void refusedTokenStartsAnExchange()
    {
        const UserInfo user = logInAndStore(server, QStringLiteral("ivan"));
        requestJson("POST", server.url(QStringLiteral("/dev/expire-access-tokens?user=") + user.cvUserId()));
        addLogs(1, QStringLiteral("editor"));
        TimeLogUploader uploader;
        QSignalSpy errors(uploader.currentHttpClient(), &HttpClient::errorString);
        QSignalSpy notices(AppSignals::instance(), &AppSignals::showMessage);
        passAndSettle(uploader);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(uploader.currentFailureCount(), 1);
        // The server is there; only the token was refused, and the exchange mends it.
        QCOMPARE(notices.count(), 0);
        QCOMPARE(storedCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(UserInfo::load().accessToken() != user.accessToken(), 10000);
        passAndSettle(uploader);
        QCOMPARE(storedCount(), 0);
        QCOMPARE(uploader.currentFailureCount(), 0);
    }

    void failuresAreCountedAnnouncedOnceAndReplaceTheClient()
    {
        TestClock clock;
        // A token that outlives the hours this test moves the clock on.
        UserInfo user = logInAndStore(server, QStringLiteral("jade"));
        user.setAccessTokenExpiriesInSecs(7 * 86400);
        user.save();
        addLogs(1, QStringLiteral("editor"));
        behave(server, QStringLiteral("fail=activity:500"));
        TimeLogUploader uploader;
        QSignalSpy shown(AppSignals::instance(), &AppSignals::showMessage);
        HttpClient* first = uploader.currentHttpClient();
        for (int failure = 1; failure <= 5; ++failure) {
            passAndSettle(uploader);
            QCOMPARE(uploader.currentFailureCount(), failure);
            QCOMPARE(uploader.currentHttpClient(), first);
        }
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shown.at(0).at(0).toString(), QStringLiteral("Cannot upload"));
        QCOMPARE(shown.at(0).at(1).toString(),
                 QStringLiteral("Larkspan time sync has been delayed (server unavailable)."));
        passAndSettle(uploader);
        QCOMPARE(uploader.currentFailureCount(), 0);
        QVERIFY(uploader.currentHttpClient() != first);
        QCOMPARE(QSettings().value(Keys::uploadFailureCount).toInt(), 6);
        QCOMPARE(storedCount(), 1);

        behave(server, QStringLiteral("reset=1"));
        passAndSettle(uploader);
        QCOMPARE(storedCount(), 0);
        QCOMPARE(QSettings().value(Keys::uploadFailureCount).toInt(), 0);
        QCOMPARE(shown.count(), 1);

        // At most one notice in six hours, however the failures come and go.
        addLogs(1, QStringLiteral("editor"));
        behave(server, QStringLiteral("fail=activity:500"));
        clock.advanceSecs(6 * 3600);
        passAndSettle(uploader);
        QCOMPARE(uploader.currentFailureCount(), 1);
        QCOMPARE(shown.count(), 1);
        clock.advanceSecs(1);
        passAndSettle(uploader);
        QCOMPARE(shown.count(), 2);
        QCOMPARE(shown.at(1).at(0).toString(), QStringLiteral("Cannot upload"));
    }

    void aServerThatNeverAnswersFailsAfterTheTimeout()
    {
        logInAndStore(server, QStringLiteral("kim"));
        addLogs(1, QStringLiteral("editor"));
        behave(server, QStringLiteral("delay=activity:5000"));
        TimeLogUploader uploader(800);
        QElapsedTimer timer;
        timer.start();
        passAndSettle(uploader);
        QVERIFY(timer.elapsed() < 4000);
        QCOMPARE(uploader.currentFailureCount(), 1);
        QCOMPARE(storedCount(), 1);
    }

    // After an outage the token is exchanged first, and the same pass then uploads: the
    // backlog does not wait for another rhythm.
    void exchangeThenUploadInTheSamePass()
    {
        TestClock clock;
        UserInfo user = logInAndStore(server, QStringLiteral("lena"));
        user.setAccessTokenExpiriesInSecs(3600);
        user.save();
        addLogs(2, QStringLiteral("editor"));
        clock.advanceSecs(2 * 3600);

        TimeLogUploader uploader;
        QStringList order;
        connect(uploader.currentHttpClient(), &HttpClient::sigExchangeToken, this,
                [&] { order << QStringLiteral("exchange"); });
        connect(uploader.currentHttpClient(), &HttpClient::sigUpload, this, [&] { order << QStringLiteral("upload"); });
        uploader.start();
        // The first pass comes 5 s after the start, the next one 90 s later.
        QTRY_COMPARE_WITH_TIMEOUT(storedCount(), 0, 30000);
        QCOMPARE(order, QStringList({QStringLiteral("exchange"), QStringLiteral("upload")}));
        QCOMPARE(activities(server, user.cvUserId()).size(), 2);
        uploader.stop();
        QVERIFY(uploader.wait(30000));
    }

    // A backlog goes up batch after batch while the service accepts them; after a failure
    // the uploader keeps its rhythm instead of retrying at once.
    void backlogDrainsAtOnceUntilTheFirstFailure()
    {
        const UserInfo user = logInAndStore(server, QStringLiteral("mia"));
        addLogs(1600, QStringLiteral("editor"));
        behave(server, QStringLiteral("fail=activity:500"));
        {
            TimeLogUploader uploader;
            QSignalSpy upload(uploader.currentHttpClient(), &HttpClient::sigUpload);
            uploader.start();
            QTRY_COMPARE_WITH_TIMEOUT(upload.count(), 1, 30000);
            QTest::qWait(3000);
            QCOMPARE(upload.count(), 1);
            uploader.stop();
            QVERIFY(uploader.wait(30000));
        }
        QCOMPARE(storedCount(), 1600);

        behave(server, QStringLiteral("reset=1"));
        TimeLogUploader uploader;
        QSignalSpy upload(uploader.currentHttpClient(), &HttpClient::sigUpload);
        uploader.start();
        QTRY_COMPARE_WITH_TIMEOUT(storedCount(), 0, 30000);
        QCOMPARE(upload.count(), 4); // 500, 500, 500, 100
        QCOMPARE(activities(server, user.cvUserId()).size(), 1600);
        uploader.stop();
        QVERIFY(uploader.wait(30000));
    }

    // A refused login is said once; the user id and every log stay, nothing goes to another
    // user, and once the same user logs in again the backlog goes up.
    void refusedLoginKeepsTheLogsForTheSameUser()
    {
        UserInfo user = logInAndStore(server, QStringLiteral("nora"));
        user.setAccessTokenExpiriesInSecs(0);
        user.save();
        addLogs(3, QStringLiteral("editor"));
        requestJson("POST", server.url(QStringLiteral("/dev/revoke-sessions?user=nora")));

        TimeLogUploader uploader;
        QSignalSpy expired(AppSignals::instance(), &AppSignals::loginExpired);
        QSignalSpy loginRequired(AppSignals::instance(), &AppSignals::loginRequired);
        uploader.runPass();
        QTRY_COMPARE(expired.count(), 1);
        QCOMPARE(UserInfo::load().cvUserId(), QStringLiteral("nora"));
        QVERIFY(!UserInfo::load().isLoggedIn());
        uploader.runPass();
        uploader.runPass();
        QCOMPARE(loginRequired.count(), 2);
        QCOMPARE(expired.count(), 1);
        addLogs(1, QStringLiteral("after the refusal"));
        QCOMPARE(storedCount(), 4);

        logInAndStore(server, QStringLiteral("olaf"));
        passAndSettle(uploader);
        QCOMPARE(activities(server, QStringLiteral("olaf")).size(), 0);
        QCOMPARE(storedCount(), 4);

        logInAndStore(server, QStringLiteral("nora"));
        passAndSettle(uploader);
        QCOMPARE(storedCount(), 0);
        QCOMPARE(activities(server, QStringLiteral("nora")).size(), 4);
        QCOMPARE(expired.count(), 1);
    }

    void loggingInAgainSendsTheBacklogAtOnce()
    {
        addLogs(2, QStringLiteral("editor"));
        TimeLogUploader uploader;
        QSignalSpy loginRequired(AppSignals::instance(), &AppSignals::loginRequired);
        uploader.start();
        // Stopped however the test ends: a running thread must not be destroyed.
        const auto stop = qScopeGuard([&uploader] { uploader.stopAndWait(10000); });
        // Its first pass finds nobody to upload for; the next is 90 s away.
        QTRY_COMPARE_WITH_TIMEOUT(loginRequired.count(), 1, 15000);
        logInAndStore(server, QStringLiteral("rosa"));
        emit AppSignals::instance()->loggedIn();
        QTRY_COMPARE_WITH_TIMEOUT(storedCount(), 0, 15000);
        QCOMPARE(activities(server, QStringLiteral("rosa")).size(), 2);
    }

    // "Logout & Quit": what the leaving user has pending goes up, batch after batch, within
    // the time given; what the service does not take stays stored for them alone.
    void pendingLogsGoUpBeforeTheLogout()
    {
        const UserInfo user = logInAndStore(server, QStringLiteral("pia"));
        addLogs(1100, QStringLiteral("editor"));
        TimeLogUploader uploader;
        QElapsedTimer timer;
        timer.start();
        uploader.uploadPendingBeforeLogout(20000);
        QVERIFY(timer.elapsed() < 20000);
        QCOMPARE(storedCount(), 0);
        QCOMPARE(activities(server, user.cvUserId()).size(), 1100);

        addLogs(3, QStringLiteral("editor"));
        behave(server, QStringLiteral("late=activity:60000"));
        timer.restart();
        uploader.uploadPendingBeforeLogout(1500);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(storedCount(), 3);
        logInAndStore(server, QStringLiteral("quinn"));
        QCOMPARE(store().timeLogsForUpload(500, QStringLiteral("quinn"))->size(), size_t(0));
    }

    void stopEndsTheThreadPromptly()
    {
        TimeLogUploader uploader;
        QSignalSpy started(&uploader, &QThread::started);
        uploader.start();
        QTRY_COMPARE_WITH_TIMEOUT(started.count(), 1, 30000);
        QElapsedTimer timer;
        timer.start();
        uploader.stop();
        uploader.quit();
        // Woken from the 5 seconds before its first pass, not left to sleep them out.
        QVERIFY(uploader.wait(30000));
        QVERIFY2(timer.elapsed() < 2500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(uploader.isTerminated());
    }
};

LARKSPAN_TEST_MAIN(TestTimeLogUploader, QCoreApplication)
#include "tst_timeloguploader.moc"
