#pragma once

#include <QDateTime>
#include <QMainWindow>

#include <memory>

namespace Ui {
class OfflineWindow;
}

// The prompt shown when the user comes back after an idle period: what were you doing?
// "Log Time" records manual time from the idle start; any way of closing it discards the
// idle markers of the period. The tray deletes it after closed().
class OfflineWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit OfflineWindow(QDateTime idleStart, QDateTime idleEnd, QWidget* parent = nullptr);
    ~OfflineWindow() override;

    // Fills the window for its idle period and shows it (centred, the first time).
    void askForComment();

signals:
    void closed();

public slots:
    // Kept beside Log Time's as the window's public pair; Cancel itself is wired straight to close().
    void onBtnCancelClicked();
    void onBtnLogTimeClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The keys of a dialog: Enter logs the time (or presses the focused button), Escape
    // cancels.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateOfflineTimeUI();
    void showUnits();
    // The question and the elapsed time for the idle period, in the current language.
    void showPeriodTexts(const QString& startStr, const QString& endStr, const QString& elapsed);

    std::unique_ptr<Ui::OfflineWindow> ui;
    QDateTime idleStart;
    QDateTime idleEnd;
};
