#include "FeedbackDialog.h"
#include "ui_FeedbackDialog.h"

#include "HttpClient.h"
#include "QtLog.h"
#include "WindowPlacement.h"

#include <QCloseEvent>

FeedbackDialog::FeedbackDialog(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FeedbackDialog>()), httpClient(nullptr)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    // Opened from the tray: closing it must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    httpClient = new HttpClient(this);

    connect(ui->btnSend, &QPushButton::clicked, this, &FeedbackDialog::sendFeedback);
    connect(httpClient, &HttpClient::feedbackStatus, this, &FeedbackDialog::onFeedbackStatus);
    connect(httpClient, &HttpClient::feedbackError, this, &FeedbackDialog::onFeedbackError);
    connect(httpClient, &HttpClient::feedbackSuccess, this, &FeedbackDialog::onFeedbackSuccess);
}

FeedbackDialog::~FeedbackDialog() = default;

void FeedbackDialog::showDialog()
{
    ui->textEdit->clear();
    showStatus(QString());
    adjustSize();
    WindowPlacement::centreOnPrimaryScreen(this);
    setFixedSize(size());
    show();
}

void FeedbackDialog::sendFeedback()
{
    LK_INFO() << "Sending feedback...";
    const QString comment = ui->textEdit->toPlainText();
    setEditable(false);
    httpClient->sendFeedback(comment);
}

void FeedbackDialog::onFeedbackStatus(const QString& message)
{
    showStatus(message);
}

void FeedbackDialog::onFeedbackError(const QString& message)
{
    showError(message);
    // The comment stays, so the user can send it again.
    setEditable(true);
}

void FeedbackDialog::onFeedbackSuccess()
{
    close();
    setEditable(true);
}

void FeedbackDialog::setEditable(bool editable)
{
    ui->textEdit->setEnabled(editable);
    ui->btnSend->setEnabled(editable);
}

void FeedbackDialog::showStatus(const QString& text)
{
    showStatusLine(text, QStringLiteral("color: rgb(64, 128, 0)"));
}

void FeedbackDialog::showError(const QString& text)
{
    showStatusLine(text, QStringLiteral("color: rgb(255, 0, 0)"));
}

void FeedbackDialog::showStatusLine(const QString& text, const QString& styleSheet)
{
    ui->labelStatus->setStyleSheet(styleSheet);
    ui->labelStatus->setText(text);
    ui->labelStatus->setVisible(!text.isEmpty());
    adjustSize();
}

void FeedbackDialog::closeEvent(QCloseEvent* event)
{
    hide();
    // Accepted, not ignored: a window that refuses to close stops the toolkit from closing
    // the rest when the program quits or the desktop session ends. It is only hidden (no
    // delete-on-close), and WA_QuitOnClose is off, so the program goes on.
    event->accept();
}

void FeedbackDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    else
        QDialog::changeEvent(event);
}
