#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A home folder for the real Larkspan binary, and runs of the program inside it.
class LarkspanHome
{
public:
    LarkspanHome();
    QString path() const { return _dir.path(); }
    QString configDir() const; // .../.config/Corvane
    QString dataDir(const QString& appName = QStringLiteral("Larkspan")) const;
    QString settingsFile(const QString& appName = QStringLiteral("Larkspan")) const;
    QString logFile(const QString& appName = QStringLiteral("Larkspan")) const;
    QString readLog(const QString& appName = QStringLiteral("Larkspan")) const;
    // Reads a key of the per-user store as another process wrote it.
    QVariant setting(const QString& key, const QString& appName = QStringLiteral("Larkspan")) const;
    void setIniFlag(const QString& key, bool value);
    // Stores a user as the program stores it, under "userInfoJson".
    void storeUserInfo(const QString& userInfoJson) const;
    QProcessEnvironment environment() const;
    // Addresses the program handed to the stand-in browser, in order.
    QStringList openedAddresses() const;

    // Starts the build tree's program in the home folder, or the given program in the given
    // working directory (an installed copy); launcher, when given, runs it (for example
    // {"unshare", "-n"}).
    std::unique_ptr<QProcess> start(const QStringList& extraEnv = {}, const QString& program = {},
                                    const QString& workingDir = {}, const QStringList& launcher = {}) const;

private:
    QString browserDir() const;
    QString openedFile() const;

    QTemporaryDir _dir;
};

// Sends the signal and waits; returns the elapsed milliseconds or -1 on time-out.
qint64 stopWithSignal(QProcess& process, int signalNumber, int timeoutMs = 30000);
// Waits until the per-user store of appName holds the key (the program reached its start-up writes).
bool waitForSetting(const LarkspanHome& home, const QString& key, int timeoutMs = 30000,
                    const QString& appName = QStringLiteral("Larkspan"));
