#include "UpdateWindow.h"

#include "ui_UpdateWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLocale>
#include <QScreen>
#include <QStyle>

UpdateWindow::UpdateWindow(QWidget* parent) : QDialog(parent), _ui(std::make_unique<Ui::UpdateWindow>())
{
    _ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    _ui->labelIcon->setPixmap(icon.pixmap(48, 48));
    connect(_ui->btnInstall, &QPushButton::clicked, this, &UpdateWindow::installClicked);
    connect(_ui->btnSkip, &QPushButton::clicked, this, &UpdateWindow::skipClicked);
    connect(_ui->btnRemind, &QPushButton::clicked, this, &UpdateWindow::remindLaterClicked);
    connect(_ui->btnCancel, &QPushButton::clicked, this, &UpdateWindow::cancelClicked);
    connect(_ui->btnClose, &QPushButton::clicked, this, &UpdateWindow::hide);
    connect(_ui->textNotes, &QTextBrowser::anchorClicked, this, &UpdateWindow::openLink);
    showParts(Close);
}

UpdateWindow::~UpdateWindow() = default;

void UpdateWindow::showChecking()
{
    setState([this] {
        _ui->labelTitle->setText(tr("Checking for updates..."));
        _ui->labelInfo->clear();
        _ui->labelStatus->clear();
        _ui->progressBar->setRange(0, 0);
        showParts(Progress | Cancel);
    });
}

void UpdateWindow::showUpToDate(const QString& version)
{
    setState([this, version] {
        _ui->labelTitle->setText(tr("You're up to date!"));
        _ui->labelInfo->setText(tr("Larkspan %1 is the newest version available.").arg(version));
        _ui->labelStatus->clear();
        showParts(Close);
    });
}

void UpdateWindow::showCheckFailed(const QString& reason)
{
    setState([this, reason] {
        _ui->labelTitle->setText(tr("Larkspan could not check for updates"));
        _ui->labelInfo->setText(tr("Please try again later."));
        _ui->labelStatus->setText(tr("Reason: %1").arg(reason));
        showParts(Close);
    });
}

void UpdateWindow::showAvailable(const QString& newVersion, const QString& currentVersion, const QString& notes)
{
    if (notes.trimmed().isEmpty())
        _ui->textNotes->setPlainText(tr("No release notes were published for this version."));
    else if (Qt::mightBeRichText(notes))
        _ui->textNotes->setHtml(notes);
    else
        _ui->textNotes->setPlainText(notes);
    setState([this, newVersion, currentVersion] {
        _ui->labelTitle->setText(tr("A new version of Larkspan is available!"));
        _ui->labelInfo->setText(tr("Larkspan %1 is now available; you have %2. "
                                   "Would you like to install it now?")
                                    .arg(newVersion, currentVersion));
        _ui->labelStatus->clear();
        showParts(Notes | Skip | Remind | Install);
    });
}

void UpdateWindow::showDownloading(const QString& version, qint64 received, qint64 total)
{
    setState([this, version, received, total] {
        _ui->labelTitle->setText(tr("Downloading update..."));
        _ui->labelInfo->setText(tr("Larkspan %1 is being downloaded. It is checked before "
                                   "anything is installed.")
                                    .arg(version));
        const QLocale locale;
        if (total > 0) {
            // Kibibytes keep the bar's int range far from overflowing.
            _ui->progressBar->setRange(0, int(total / 1024) + 1);
            _ui->progressBar->setValue(int(received / 1024));
            _ui->labelStatus->setText(
                tr("%1 of %2").arg(locale.formattedDataSize(received), locale.formattedDataSize(total)));
        } else {
            _ui->progressBar->setRange(0, 0);
            _ui->labelStatus->setText(locale.formattedDataSize(received));
        }
        showParts(Notes | Progress | Cancel);
    });
}

void UpdateWindow::showRefused(const QString& reason)
{
    setState([this, reason] {
        _ui->labelTitle->setText(tr("The update was refused"));
        _ui->labelInfo->setText(tr("The downloaded update failed its safety check and was "
                                   "deleted. Nothing was installed."));
        _ui->labelStatus->setText(reason);
        showParts(Close);
    });
}

void UpdateWindow::showHandedOver()
{
    setState([this] {
        _ui->labelTitle->setText(tr("Ready to install"));
        _ui->labelInfo->setText(tr("The update was downloaded, verified and handed to your "
                                   "system's software installer. Follow its steps to finish; "
                                   "Larkspan uses the new version from its next start."));
        _ui->labelStatus->clear();
        showParts(Close);
    });
}

void UpdateWindow::showInstallFailed(const QString& reason)
{
    setState([this, reason] {
        _ui->labelTitle->setText(tr("The update could not be installed"));
        _ui->labelInfo->clear();
        _ui->labelStatus->setText(reason);
        showParts(Close);
    });
}

void UpdateWindow::present()
{
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void UpdateWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        _ui->retranslateUi(this);
        if (_draw)
            _draw();
    }
    QDialog::changeEvent(event);
}

void UpdateWindow::setState(std::function<void()> draw)
{
    _draw = std::move(draw);
    _draw();
    if (isVisible())
        adjustSize();
}

void UpdateWindow::showParts(int parts)
{
    _ui->labelInfo->setVisible(!_ui->labelInfo->text().isEmpty());
    _ui->labelStatus->setVisible(!_ui->labelStatus->text().isEmpty());
    _ui->labelNotesHeading->setVisible(parts & Notes);
    _ui->textNotes->setVisible(parts & Notes);
    _ui->progressBar->setVisible(parts & Progress);
    _ui->btnSkip->setVisible(parts & Skip);
    _ui->btnRemind->setVisible(parts & Remind);
    _ui->btnInstall->setVisible(parts & Install);
    _ui->btnCancel->setVisible(parts & Cancel);
    _ui->btnClose->setVisible(parts & Close);
    QPushButton* main = (parts & Install) ? _ui->btnInstall : (parts & Close) ? _ui->btnClose : nullptr;
    if (main)
        main->setDefault(true);
}

void UpdateWindow::openLink(const QUrl& url)
{
    // Notes come from the network: only web links leave the window, never local files.
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
        QDesktopServices::openUrl(url);
}
