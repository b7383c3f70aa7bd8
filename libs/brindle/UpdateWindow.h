#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class UpdateWindow;
}

// The updater's one window: checking, up to date, a new version with its notes and the
// choice to install, skip or be reminded, the download, and its outcome. It only shows
// and reports clicks; the updater decides. Closing it (or Escape) emits rejected().
class UpdateWindow : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* parent = nullptr);
    ~UpdateWindow() override;

    void showChecking();
    void showUpToDate(const QString& version);
    void showCheckFailed(const QString& reason);
    void showAvailable(const QString& newVersion, const QString& currentVersion, const QString& notes);
    void showDownloading(const QString& version, qint64 received, qint64 total);
    void showRefused(const QString& reason);
    void showHandedOver();
    void showInstallFailed(const QString& reason);

    // Shows the window centred on the primary screen and brings it to the front.
    void present();

signals:
    void installClicked();
    void skipClicked();
    void remindLaterClicked();
    void cancelClicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    enum Part { Notes = 1, Progress = 2, Skip = 4, Remind = 8, Install = 16, Cancel = 32, Close = 64 };
    // Remembers how to draw the current state, so a language change can draw it again.
    void setState(std::function<void()> draw);
    void showParts(int parts);
    void openLink(const QUrl& url);

    std::unique_ptr<Ui::UpdateWindow> _ui;
    std::function<void()> _draw;
};
