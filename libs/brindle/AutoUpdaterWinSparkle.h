#pragma once

#include "Appcast.h"
#include "AutoUpdater.h"
#include "UpdateState.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class BoundedDownload;
class UpdateWindow;

// Automatic updates on a Sparkle-style appcast fetched with Qt Network. Background checks
// run at the set interval while automatic checks are on; the time of the last check is
// kept in the state the program hands in (its settings), so a weekly check still happens when the program never runs a
// week in one go. A newer version is offered in the update window; Install downloads the
// package into memory, checks its length and Ed25519 signature, and only then writes it
// and hands it to the system's installer. Lives on the GUI thread.
class AutoUpdaterWinSparkle : public QObject, public AutoUpdater
{
    Q_OBJECT
public:
    AutoUpdaterWinSparkle(const QString& version, const QString& appcastUrl, std::unique_ptr<UpdateState> state);
    ~AutoUpdaterWinSparkle() override;

    void checkForUpdatesWithUI() override;
    void checkForUpdatesInBackground() override;
    void setUpdateCheckInterval(int seconds) override;
    void setUpdateUrl(const QString& appcastUrl) override;

    // The updater the two win_sparkle_* calls act on: the one created last, while it lives.
    static AutoUpdaterWinSparkle* current();
    void setAutomaticChecks(bool on);
    bool automaticChecks() const { return _automatic; }
    int updateCheckInterval() const { return _intervalSecs; }
    QString updateUrl() const { return _url; }
    // Stops checks and downloads for good and closes the window (shutdown).
    void cleanup();

signals:
    // A check has ended, whatever its outcome (its window, if any, is showing).
    void checkFinished();

private:
    void startCheck(bool interactive);
    void onAppcast(bool ok, const QByteArray& data, const QString& error);
    void offer(const AppcastItem& item, const QString& notes);
    void checkFailed(const QString& reason);
    void onInstall();
    void onPackage(bool ok, const QByteArray& data, const QString& error);
    void refusePackage(const QString& reason);
    void onSkip();
    void onRemindLater();
    void onWindowCancelled();
    void stopTransfers();
    void recordCheck();
    void scheduleNextCheck();
    void onTimer();
    UpdateWindow* window();

    QString _version;
    QString _url;
    QString _handedOver; // version given to the installer in this run
    int _intervalSecs;
    bool _automatic = false;
    bool _cleanedUp = false;
    bool _interactive = false;
    QNetworkAccessManager _nam;
    QTimer _timer;
    QPointer<BoundedDownload> _fetch; // appcast or release notes
    QPointer<BoundedDownload> _download; // package
    std::unique_ptr<UpdateState> _state;
    std::optional<AppcastItem> _offered;
    std::unique_ptr<UpdateWindow> _window;
};
