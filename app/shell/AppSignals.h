#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

// The one hub through which threads and windows notify each other without knowing
// each other. It holds no state; receivers connect in their constructors.
class AppSignals : public QObject
{
    Q_OBJECT
public:
    // Creates the process's hub as a child of parent; later calls return the same hub.
    static AppSignals* init(QObject* parent);
    // The hub, or null (with a critical message) before init().
    static AppSignals* instance();

signals:
    void idle(QDateTime idleStart);
    void addManulTime(QDateTime startTime, QDateTime endTime, QString manualType, QString comment);
    void cancelIdleTime();
    void foundRecentUserEvents(QDateTime idleEnd);
    void loginRequired();
    // The service refused the stored login (revoked, or the password changed): the user
    // has to log in again. Emitted once per refusal.
    void loginExpired();
    // A user has just logged in: what waits for them need not wait for the next pass.
    void loggedIn();
    void resume();
    // minutes > 0: a timed pause; -1: until resumed; -2: until tomorrow.
    void pause(int minutes);
    void languageChanged(QString language);
    void notifyUploaded();
    void createIdleEvent(QDateTime eventTime);
    void showMessage(QString title, QString message);
    void requestOutlookSubject(QString outlookAppName, QString originalWinTitle);

private:
    explicit AppSignals(QObject* parent);
    ~AppSignals() override;
};
