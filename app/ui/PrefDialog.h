#pragma once

#include <QDialog>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

class AutoUpdater;

namespace Ui {
class PrefDialog;
}

// The preferences: every change is written to the settings the moment it is made, so it
// applies from the next use on. Channel and frequency also go to the updater at once, and
// a language choice is announced on the hub. Closing only hides the dialog.
class PrefDialog : public QDialog
{
    Q_OBJECT
public:
    PrefDialog(QWidget* parent, AutoUpdater* updater);
    ~PrefDialog() override;

    // "a, b\n c" -> {"a", "b", "c"}: runs of line breaks and commas with the blanks around
    // them separate entries; empty entries are dropped.
    static QStringList splitExclusionList(const QString& text);
    // How a language is listed: its own name, told apart without a font for its script.
    static QString languageItemText(const QLocale& locale);

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onCheckBoxOfflineClicked(bool checked);
    void onCheckBoxOutlookClicked(bool checked);
    void onSpinBoxInacticeMinutesValueChanged(int minutes);
    void onRadioDefaultBrowserClicked(bool checked);
    void onRadioEmbeddedBrowserClicked(bool checked);
    void onComboLanguageChanged(const QString& text);
    void onCheckBoxAllowUrlsClicked(bool checked);
    void onCheckBoxUpdateClicked(bool checked);
    void onComboBoxUpdateChanged(const QString& text);
    void onCheckBoxBetaChannelClicked(bool checked);
    void refreshCheckBoxUpdateItems();
    void refreshCheckBoxUpdateCurrItem();

private:
    void fillLanguages();
    void loadSettings();
    void showVersion();
    void saveExclusionLists();

    std::unique_ptr<Ui::PrefDialog> ui;
    AutoUpdater* updater;
};
