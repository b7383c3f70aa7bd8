#include "PrefDialog.h"

#include "ProgramResources.h"
#include "ui_PrefDialog.h"

#include "AppSignals.h"
#include "AppUtils.h"
#include "AutoUpdater.h"
#include "QtLog.h"
#include "SettingsKeys.h"

#include <QCloseEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>

#include <iterator>

namespace {

struct Frequency {
    const char* key;
    int seconds;
};

// Item texts are translations of the keys; the untranslated key is the item's data.
constexpr Frequency kFrequencies[] = {
    {QT_TRANSLATE_NOOP("PrefDialog", "Hourly"), 3600},
    {QT_TRANSLATE_NOOP("PrefDialog", "Daily"), 86400},
    {QT_TRANSLATE_NOOP("PrefDialog", "Weekly"), 604800},
    {QT_TRANSLATE_NOOP("PrefDialog", "Monthly"), 2629800},
};

QString englishLocaleName()
{
    return QLocale(QLocale::English, QLocale::AnyCountry).name();
}

} // namespace

PrefDialog::PrefDialog(QWidget* parent, AutoUpdater* updater)
    : QDialog(parent), ui(std::make_unique<Ui::PrefDialog>()), updater(updater)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    // Opened from the tray while no other window may be visible: closing it is not the
    // end of the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    installEventFilter(this);

    fillLanguages();
    refreshCheckBoxUpdateItems();
    loadSettings();
    showVersion();

    connect(ui->checkBoxOffline, &QCheckBox::clicked, this, &PrefDialog::onCheckBoxOfflineClicked);
    connect(ui->checkBoxOutlook, &QCheckBox::clicked, this, &PrefDialog::onCheckBoxOutlookClicked);
    connect(ui->spinBoxInactiveMinutes, qOverload<int>(&QSpinBox::valueChanged), this,
            &PrefDialog::onSpinBoxInacticeMinutesValueChanged);
    connect(ui->radioDefaultBrowser, &QRadioButton::clicked, this, &PrefDialog::onRadioDefaultBrowserClicked);
    connect(ui->radioEmbeddedBrowser, &QRadioButton::clicked, this, &PrefDialog::onRadioEmbeddedBrowserClicked);
    connect(ui->comboLanguage, &QComboBox::currentTextChanged, this, &PrefDialog::onComboLanguageChanged);
    connect(ui->checkBoxAllowUrls, &QCheckBox::clicked, this, &PrefDialog::onCheckBoxAllowUrlsClicked);
    connect(ui->checkBoxUpdate, &QCheckBox::clicked, this, &PrefDialog::onCheckBoxUpdateClicked);
    connect(ui->checkBoxBetaChannel, &QCheckBox::clicked, this, &PrefDialog::onCheckBoxBetaChannelClicked);
}

PrefDialog::~PrefDialog() = default;

QStringList PrefDialog::splitExclusionList(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("\\s*[\n,]+\\s*"));
    return text.split(separators, Qt::SkipEmptyParts);
}

void PrefDialog::fillLanguages()
{
    const QLocale locales[] = {QLocale(QLocale::English, QLocale::AnyCountry),
                               QLocale(QLocale::German, QLocale::AnyCountry),
                               QLocale(QLocale::Korean, QLocale::AnyCountry), QLocale(QLocale::Chinese, QLocale::China),
                               QLocale(QLocale::Chinese, QLocale::Taiwan)};
    for (const QLocale& locale : locales)
        ui->comboLanguage->addItem(languageItemText(locale), locale.name());
}

QString PrefDialog::languageItemText(const QLocale& locale)
{
    // Each language in its own name, where the two Chinese ones differ by their country,
    // and in English beside it: on a system without a Korean or Chinese font their own
    // names are boxes, and the English one still tells them apart.
    QString text = locale.nativeLanguageName();
    QString english = QLocale::languageToString(locale.language());
    if (locale.language() == QLocale::Chinese) {
        text += QStringLiteral("\uFF08%1\uFF09").arg(locale.nativeCountryName());
        english += QStringLiteral(" (%1)").arg(QLocale::countryToString(locale.country()));
    }
    if (!text.contains(english))
        text += QStringLiteral(" \u2014 ") + english;
    return text;
}

void PrefDialog::loadSettings()
{
    QSettings settings;
    const bool offlineEnabled = settings.value(Keys::offlineEnabled, Defaults::offlineEnabled).toBool();
    ui->checkBoxOffline->setChecked(offlineEnabled);
    ui->spinBoxInactiveMinutes->setEnabled(offlineEnabled);
    ui->spinBoxInactiveMinutes->setValue(settings.value(Keys::maxInactiveSecs, Defaults::maxInactiveSecs).toInt() / 60);

    const bool useDefaultBrowser = settings.value(Keys::useDefaultBrowser, Defaults::useDefaultBrowser).toBool();
    ui->radioDefaultBrowser->setChecked(useDefaultBrowser);
    ui->radioEmbeddedBrowser->setChecked(!useDefaultBrowser);

    ui->checkBoxOutlook->setChecked(settings.value(Keys::outlookDetecting, Defaults::outlookDetecting).toBool());

    const QString language = settings.value(Keys::language, englishLocaleName()).toString();
    // The stored locale's own entry, else the first in its language ("de_AT" is German).
    int languageIndex = ui->comboLanguage->findData(QLocale(language).name());
    for (int i = 0; languageIndex < 0 && i < ui->comboLanguage->count(); ++i) {
        const QLocale item(ui->comboLanguage->itemData(i).toString());
        if (item.language() == QLocale(language).language() && item.script() == QLocale(language).script())
            languageIndex = i;
    }
    if (languageIndex >= 0)
        ui->comboLanguage->setCurrentIndex(languageIndex);

    ui->checkBoxAllowUrls->setChecked(settings.value(Keys::allowUrls, Defaults::allowUrls).toBool());
    ui->txtAppNames->setPlainText(
        settings.value(Keys::excludedAppNames, QStringList()).toStringList().join(QStringLiteral(", ")));
    ui->txtWinTitles->setPlainText(
        settings.value(Keys::excludedWinTitles, QStringList()).toStringList().join(QStringLiteral(", ")));

    const bool updateEnabled = settings.value(Keys::updateEnabled, Defaults::updateEnabledAtStartup).toBool();
    ui->checkBoxUpdate->setChecked(updateEnabled);
    ui->comboBoxUpdate->setEnabled(updateEnabled);
    ui->checkBoxBetaChannel->setChecked(settings.value(Keys::updateBetaChannel, Defaults::updateBetaChannel).toBool());

    refreshCheckBoxUpdateCurrItem();
}

void PrefDialog::showVersion()
{
    initProgramResources();
    const QString buildNumber = AppUtils::readFileToString(QStringLiteral(":/build_number")).trimmed();
    ui->labelVersion->setText(tr("Version %1 (build: %2, arch: %3)")
                                  .arg(QString(AppConstants::version), buildNumber, QSysInfo::buildCpuArchitecture()));
}

void PrefDialog::onCheckBoxOfflineClicked(bool checked)
{
    QSettings().setValue(Keys::offlineEnabled, checked);
    LK_DEBUG() << "Set offlineEnabled: " << checked;
    ui->spinBoxInactiveMinutes->setEnabled(checked);
}

void PrefDialog::onCheckBoxOutlookClicked(bool checked)
{
    QSettings().setValue(Keys::outlookDetecting, checked);
    LK_DEBUG() << "Set outlookDetecting: " << checked;
}

void PrefDialog::onSpinBoxInacticeMinutesValueChanged(int minutes)
{
    QSettings().setValue(Keys::maxInactiveSecs, minutes * 60);
    LK_DEBUG() << "Set maxInacticeMinutes: " << minutes;
}

void PrefDialog::onRadioDefaultBrowserClicked(bool)
{
    QSettings().setValue(Keys::useDefaultBrowser, true);
    LK_DEBUG() << "Set useDefaultBrowser: " << true;
}

void PrefDialog::onRadioEmbeddedBrowserClicked(bool)
{
    QSettings().setValue(Keys::useDefaultBrowser, false);
    LK_DEBUG() << "Set useDefaultBrowser: " << false;
}

void PrefDialog::onComboLanguageChanged(const QString&)
{
    const QString name = ui->comboLanguage->currentData().toString();
    QSettings().setValue(Keys::language, name);
    LK_DEBUG() << "Set language: " << name;
    emit AppSignals::instance()->languageChanged(name);
}

void PrefDialog::onCheckBoxAllowUrlsClicked(bool checked)
{
    QSettings().setValue(Keys::allowUrls, checked);
    LK_DEBUG() << "Set urlsAllowed: " << checked;
}

void PrefDialog::onCheckBoxUpdateClicked(bool checked)
{
    QSettings().setValue(Keys::updateEnabled, checked);
    LK_DEBUG() << "Set updateEnabled: " << checked;
    ui->comboBoxUpdate->setEnabled(checked);
}

void PrefDialog::onComboBoxUpdateChanged(const QString&)
{
    const QString key = ui->comboBoxUpdate->currentData().toString();
    LK_DEBUG() << "updateFrequency: " << key;
    int seconds = 3600;
    for (const Frequency& frequency : kFrequencies) {
        if (key == QLatin1String(frequency.key))
            seconds = frequency.seconds;
    }
    QSettings().setValue(Keys::updateInterval, seconds);
    LK_DEBUG() << "Set updateInterval: " << seconds;
    if (updater)
        updater->setUpdateCheckInterval(seconds);
}

void PrefDialog::onCheckBoxBetaChannelClicked(bool checked)
{
    QSettings().setValue(Keys::updateBetaChannel, checked);
    LK_DEBUG() << "Set updateBetaChannel: " << checked;
    if (updater) {
        const QString url = AppConstants::appcastUrl(checked, AppUtils::isCompiledWith64bit());
        updater->setUpdateUrl(url);
        LK_INFO() << "Set Windows update URL: " << url;
    }
}

void PrefDialog::refreshCheckBoxUpdateItems()
{
    // Refilling (also for a new language) must not look like a choice of the user.
    disconnect(ui->comboBoxUpdate, &QComboBox::currentTextChanged, this, &PrefDialog::onComboBoxUpdateChanged);
    ui->comboBoxUpdate->clear();
    for (const Frequency& frequency : kFrequencies)
        ui->comboBoxUpdate->addItem(tr(frequency.key), QString::fromLatin1(frequency.key));
    refreshCheckBoxUpdateCurrItem();
    connect(ui->comboBoxUpdate, &QComboBox::currentTextChanged, this, &PrefDialog::onComboBoxUpdateChanged);
}

void PrefDialog::refreshCheckBoxUpdateCurrItem()
{
    const int stored = QSettings().value(Keys::updateInterval, Defaults::updateInterval).toInt();
    ui->comboBoxUpdate->setCurrentIndex(ui->comboBoxUpdate->findText(tr("Hourly"), Qt::MatchExactly));
    for (int i = 0; i < int(std::size(kFrequencies)); ++i) {
        if (kFrequencies[i].seconds == stored)
            ui->comboBoxUpdate->setCurrentIndex(i);
    }
}

void PrefDialog::saveExclusionLists()
{
    QSettings settings;
    settings.setValue(Keys::excludedAppNames, splitExclusionList(ui->txtAppNames->toPlainText()));
    settings.setValue(Keys::excludedWinTitles, splitExclusionList(ui->txtWinTitles->toPlainText()));
}

bool PrefDialog::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        saveExclusionLists();
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void PrefDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showVersion();
        refreshCheckBoxUpdateItems();
        // Grows where the new texts need more room; the user's size stays otherwise.
        resize(size().expandedTo(sizeHint()));
    } else {
        QDialog::changeEvent(event);
    }
}

void PrefDialog::closeEvent(QCloseEvent* event)
{
    // Text pasted or dropped with the mouse reaches the lists without a key or click on the
    // dialog; keep it when the window goes away.
    saveExclusionLists();
    hide();
    // Accepted, not ignored: a window that refuses to close stops the toolkit from closing
    // the rest when the program quits or the desktop session ends. It is only hidden (no
    // delete-on-close), and WA_QuitOnClose is off, so the program goes on.
    event->accept();
}

void PrefDialog::reject()
{
    close();
}
