#include "AutoUpdaterWinSparkle.h"

#include "BoundedDownload.h"
#include "DebPackage.h"
#include "PackageSignature.h"
#include "QtLog.h"
#include "UpdateInstaller.h"
#include "UpdateWindow.h"

namespace {
constexpr qint64 kMaxFeedBytes = qint64 {1024} * 1024; // appcast and release notes
constexpr int kFeedIdleMs = 30 * 1000;
// A package is held in memory until it is verified.
constexpr qint64 kMaxPackageBytes = 512LL * 1024 * 1024;
constexpr int kPackageIdleMs = 60 * 1000;
constexpr int kDefaultIntervalSecs = 3600;
// QTimer counts milliseconds in an int, which a monthly interval overflows; long waits are
// taken in steps and the due time is checked again at each.
constexpr qint64 kMaxTimerStepMs = 3600LL * 1000;

AutoUpdaterWinSparkle* currentUpdater = nullptr;
} // namespace

AutoUpdaterWinSparkle::AutoUpdaterWinSparkle(const QString& version, const QString& appcastUrl,
                                             std::unique_ptr<UpdateState> state)
    : _version(version), _url(appcastUrl), _intervalSecs(kDefaultIntervalSecs), _state(std::move(state))
{
    _timer.setSingleShot(true);
    connect(&_timer, &QTimer::timeout, this, &AutoUpdaterWinSparkle::onTimer);
    currentUpdater = this;
}

AutoUpdaterWinSparkle::~AutoUpdaterWinSparkle()
{
    stopTransfers();
    if (currentUpdater == this)
        currentUpdater = nullptr;
}

AutoUpdaterWinSparkle* AutoUpdaterWinSparkle::current()
{
    return currentUpdater;
}

void AutoUpdaterWinSparkle::checkForUpdatesWithUI()
{
    startCheck(true);
}

void AutoUpdaterWinSparkle::checkForUpdatesInBackground()
{
    startCheck(false);
}

void AutoUpdaterWinSparkle::setUpdateCheckInterval(int seconds)
{
    if (seconds <= 0) {
        LK_WARNING() << "AutoUpdater - ignoring update interval" << seconds << ", using" << kDefaultIntervalSecs;
        seconds = kDefaultIntervalSecs;
    }
    _intervalSecs = seconds;
    scheduleNextCheck();
}

void AutoUpdaterWinSparkle::setUpdateUrl(const QString& appcastUrl)
{
    _url = appcastUrl;
}

void AutoUpdaterWinSparkle::setAutomaticChecks(bool on)
{
    _automatic = on;
    scheduleNextCheck();
}

void AutoUpdaterWinSparkle::cleanup()
{
    _cleanedUp = true;
    _timer.stop();
    stopTransfers();
    _offered.reset();
    if (_window)
        _window->hide();
}

void AutoUpdaterWinSparkle::startCheck(bool interactive)
{
    if (_cleanedUp)
        return;
    if (_download || _fetch) {
        // One check or download at a time; a user who asks sees the one under way.
        if (interactive) {
            if (_fetch && !_interactive) {
                _interactive = true;
                window()->showChecking();
            }
            window()->present();
        }
        return;
    }
    _interactive = interactive;
    if (interactive) {
        // The window moves on from whatever it offered; a background check leaves an
        // offer on screen alone.
        _offered.reset();
        window()->showChecking();
        window()->present();
    }
    LK_INFO() << "AutoUpdater - checking" << _url << (interactive ? "for the user" : "in the background");
    _fetch = new BoundedDownload(&_nam, QUrl(_url), kMaxFeedBytes, kFeedIdleMs, this);
    connect(_fetch, &BoundedDownload::finished, this, &AutoUpdaterWinSparkle::onAppcast);
    _fetch->start();
}

void AutoUpdaterWinSparkle::onAppcast(bool ok, const QByteArray& data, const QString& error)
{
    _fetch->deleteLater();
    _fetch = nullptr;
    recordCheck();
    if (!ok) {
        checkFailed(error);
        return;
    }
    QVector<AppcastItem> items;
    QString parseError;
    if (!Appcast::parse(data, QUrl(_url), &items, &parseError)) {
        checkFailed(tr("the update feed is not valid: %1").arg(parseError));
        return;
    }
    const std::optional<AppcastItem> item = Appcast::newest(items, _version);
    if (!item) {
        LK_INFO() << "AutoUpdater - up to date:" << _version;
        if (_interactive)
            window()->showUpToDate(_version);
        emit checkFinished();
        return;
    }
    // A version the user skipped is not offered again unasked; asking shows it anyway,
    // so the choice can be undone.
    const QString skipped = _state->skippedVersion();
    if (!_interactive && item->version == skipped) {
        LK_INFO() << "AutoUpdater - version" << skipped << "was skipped by the user";
        emit checkFinished();
        return;
    }
    // Nor does a background check take the window from under the user, or offer again a
    // version that already went to the installer while this older one runs on.
    if (!_interactive && ((_window && _window->isVisible()) || item->version == _handedOver)) {
        emit checkFinished();
        return;
    }
    if (!item->notesUrl.isEmpty() && item->notes.isEmpty()) {
        const AppcastItem& found = *item;
        _fetch = new BoundedDownload(&_nam, found.notesUrl, kMaxFeedBytes, kFeedIdleMs, this);
        connect(_fetch, &BoundedDownload::finished, this,
                [this, found](bool notesOk, const QByteArray& notes, const QString& notesError) {
                    _fetch->deleteLater();
                    _fetch = nullptr;
                    if (!notesOk)
                        LK_WARNING() << "AutoUpdater - release notes unavailable:" << notesError;
                    offer(found, notesOk ? QString::fromUtf8(notes) : QString());
                });
        _fetch->start();
        return;
    }
    offer(*item, item->notes);
}

void AutoUpdaterWinSparkle::offer(const AppcastItem& item, const QString& notes)
{
    LK_INFO() << "AutoUpdater - offering version" << item.version << "from" << item.packageUrl.toDisplayString();
    _offered = item;
    window()->showAvailable(item.displayVersion(), _version, notes);
    window()->present();
    emit checkFinished();
}

void AutoUpdaterWinSparkle::checkFailed(const QString& reason)
{
    LK_WARNING() << "AutoUpdater - update check failed:" << reason;
    if (_interactive)
        window()->showCheckFailed(reason);
    emit checkFinished();
}

void AutoUpdaterWinSparkle::onInstall()
{
    if (!_offered || _download || _cleanedUp)
        return;
    const AppcastItem& item = *_offered;
    if (item.length > kMaxPackageBytes) {
        refusePackage(tr("The announced size of %1 bytes is larger than any Larkspan package.").arg(item.length));
        return;
    }
    LK_INFO() << "AutoUpdater - downloading" << item.packageUrl.toDisplayString();
    _download = new BoundedDownload(&_nam, item.packageUrl, item.length, kPackageIdleMs, this);
    const qint64 total = item.length;
    connect(_download, &BoundedDownload::progress, this,
            [this, total, version = item.displayVersion()](qint64 received, qint64) {
                window()->showDownloading(version, received, total);
            });
    connect(_download, &BoundedDownload::finished, this, &AutoUpdaterWinSparkle::onPackage);
    window()->showDownloading(item.displayVersion(), 0, total);
    _download->start();
}

void AutoUpdaterWinSparkle::onPackage(bool ok, const QByteArray& data, const QString& error)
{
    const bool refused = _download->refused();
    _download->deleteLater();
    _download = nullptr;
    if (!_offered)
        return;
    const AppcastItem item = *_offered;
    _offered.reset();
    if (!ok) {
        if (refused) {
            refusePackage(tr("The download was stopped: %1.").arg(error));
        } else {
            LK_WARNING() << "AutoUpdater - download failed:" << error;
            window()->showInstallFailed(tr("The download failed: %1.").arg(error));
        }
        return;
    }
    if (data.size() != item.length) {
        refusePackage(tr("The package's size (%1 bytes) differs from the announced size "
                         "(%2 bytes).")
                          .arg(data.size())
                          .arg(item.length));
        return;
    }
    QString signatureError;
    if (!PackageSignature::verify(data, item.signature, LARKSPAN_UPDATE_PUBLIC_KEY, &signatureError)) {
        refusePackage(tr("The package's signature is not valid: %1. It was not published by "
                         "Larkspan, or it was changed on the way.")
                          .arg(signatureError));
        return;
    }
    // The signature vouches for the bytes, not for the number the feed gave them: an old
    // signed package offered as a new version would downgrade the program.
    QString packageVersion;
    if (!DebPackage::readVersion(data, &packageVersion)) {
        refusePackage(tr("The package's own version could not be read."));
        return;
    }
    if (Appcast::compareVersions(packageVersion, item.version) != 0
        || Appcast::compareVersions(packageVersion, _version) <= 0) {
        refusePackage(
            tr("The package holds version %1, not the offered version %2.").arg(packageVersion.left(64), item.version));
        return;
    }
    QString path, installError;
    if (UpdateInstaller::handOver(data, item.version, &path, &installError)) {
        _handedOver = item.version;
        window()->showHandedOver();
    } else {
        LK_WARNING() << "AutoUpdater - hand-over failed:" << installError;
        window()->showInstallFailed(installError);
    }
}

void AutoUpdaterWinSparkle::refusePackage(const QString& reason)
{
    LK_WARNING() << "AutoUpdater - package refused:" << reason;
    _offered.reset();
    window()->showRefused(reason);
    window()->present();
}

void AutoUpdaterWinSparkle::onSkip()
{
    if (_offered) {
        LK_INFO() << "AutoUpdater - skipping version" << _offered->version;
        _state->setSkippedVersion(_offered->version);
    }
    _offered.reset();
    window()->hide();
}

void AutoUpdaterWinSparkle::onRemindLater()
{
    _offered.reset();
    window()->hide();
}

void AutoUpdaterWinSparkle::onWindowCancelled()
{
    stopTransfers();
    _offered.reset();
    window()->hide();
    scheduleNextCheck();
}

void AutoUpdaterWinSparkle::stopTransfers()
{
    for (BoundedDownload* transfer : {_fetch.data(), _download.data()}) {
        if (transfer) {
            transfer->cancel();
            transfer->deleteLater();
        }
    }
    _fetch = nullptr;
    _download = nullptr;
}

void AutoUpdaterWinSparkle::recordCheck()
{
    _state->setLastCheck(_state->nowUtc());
    scheduleNextCheck();
}

void AutoUpdaterWinSparkle::scheduleNextCheck()
{
    _timer.stop();
    if (!_automatic || _cleanedUp)
        return;
    const QDateTime now = _state->nowUtc();
    QDateTime last = _state->lastCheck();
    if (!last.isValid() || last > now) {
        // Counting starts with the first run that checks automatically.
        last = now;
        _state->setLastCheck(now);
    }
    const qint64 dueInMs = qMax<qint64>(0, now.msecsTo(last.addSecs(_intervalSecs)));
    _timer.start(int(qMin(dueInMs, kMaxTimerStepMs)));
}

void AutoUpdaterWinSparkle::onTimer()
{
    const QDateTime last = _state->lastCheck();
    if (last.isValid() && last.addSecs(_intervalSecs) > _state->nowUtc()) {
        scheduleNextCheck();
        return;
    }
    if (_fetch || _download) {
        _timer.start(kFeedIdleMs); // busy with the user's check or download: look again soon
        return;
    }
    checkForUpdatesInBackground();
}

UpdateWindow* AutoUpdaterWinSparkle::window()
{
    if (!_window) {
        _window = std::make_unique<UpdateWindow>();
        connect(_window.get(), &UpdateWindow::installClicked, this, &AutoUpdaterWinSparkle::onInstall);
        connect(_window.get(), &UpdateWindow::skipClicked, this, &AutoUpdaterWinSparkle::onSkip);
        connect(_window.get(), &UpdateWindow::remindLaterClicked, this, &AutoUpdaterWinSparkle::onRemindLater);
        connect(_window.get(), &UpdateWindow::cancelClicked, this, &AutoUpdaterWinSparkle::onWindowCancelled);
        connect(_window.get(), &QDialog::rejected, this, &AutoUpdaterWinSparkle::onWindowCancelled);
    }
    return _window.get();
}
