#include "OfflineWindow.h"
#include "ui_OfflineWindow.h"

#include "AppSignals.h"
#include "DateTimeUtils.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TimeEvent.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QSettings>

OfflineWindow::OfflineWindow(QDateTime idleStart, QDateTime idleEnd, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::OfflineWindow), idleStart(idleStart), idleEnd(idleEnd)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    // A tray program: this prompt may be the only window on screen, and closing it must
    // not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->spinBoxHours->setButtonSymbols(QAbstractSpinBox::NoButtons);
    ui->spinBoxMinutes->setButtonSymbols(QAbstractSpinBox::NoButtons);

    connect(ui->btnCancel, &QPushButton::clicked, this, &OfflineWindow::close);
    connect(ui->btnLogTime, &QPushButton::clicked, this, &OfflineWindow::onBtnLogTimeClicked);
}

OfflineWindow::~OfflineWindow()
{
    delete ui;
}

void OfflineWindow::askForComment()
{
    QtLog::debug() << "askForComment - idleEnded: " << idleEnd;
    updateOfflineTimeUI();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
}

void OfflineWindow::updateOfflineTimeUI()
{
    if (idleStart.isNull())
        return;

    const QString startStr = DateTimeUtils::toLocalTimeString(idleStart, true);
    const QString endStr = DateTimeUtils::toLocalTimeString(idleEnd, true);
    QtLog::debug() << "updateOfflineTimeUI - idleStartStr: " << startStr << ", idleEndStr: " << endStr;

    ui->labelQuestion->setText(tr("Add an Activity Note to your Timeline (%1 - %2)?").arg(startStr, endStr));

    const QDateTime localStart = idleStart.toLocalTime();
    const QDateTime localEnd = idleEnd.toLocalTime();
    const QString elapsed = DateTimeUtils::formatDurationBetween(localStart, localEnd, false);
    const QString elapsedText = tr("(Total Time Elapsed: %1)").arg(elapsed);
    QtLog::debug() << "updateOfflineTimeUI - timeElapsed: " << elapsedText;

    const QVector<int> hoursAndMinutes = DateTimeUtils::durationHoursAndMinutesBetween(localStart, localEnd);
    const int hours = hoursAndMinutes.value(0);
    const int minutes = hoursAndMinutes.value(1);

    ui->spinBoxHours->setMaximum(hours);
    ui->spinBoxHours->setValue(hours);
    ui->spinBoxHours->setVisible(hours > 0);
    ui->labelHours->setVisible(hours > 0);
    ui->spinBoxMinutes->setMaximum(minutes);
    ui->spinBoxMinutes->setValue(minutes);
    ui->labelTimeElapsed->setText(elapsedText);

    if (!isVisible()) {
        const QString lastType = QSettings().value(Keys::offlineType).toString();
        if (!lastType.isEmpty())
            ui->comboBoxType->setCurrentText(lastType);
        ui->txtComment->setFocus(Qt::OtherFocusReason);
        adjustSize();
        WindowPlacement::centreOnPrimaryScreen(this);
        setFixedSize(width(), height());
        setMinimumSize(width(), height());
        setMaximumSize(width(), height());
        show();
    }
    QtLog::debug() << "updateOfflineTimeUI - end.";
}

void OfflineWindow::onBtnCancelClicked()
{
    close();
}

void OfflineWindow::onBtnLogTimeClicked()
{
    const QString type = ui->comboBoxType->currentText();
    QSettings().setValue(Keys::offlineType, type);

    QString comment = ui->txtComment->text();
    if (comment.isEmpty())
        comment = TimeEvent::strEmpty();

    const QDateTime start = idleStart.toUTC();
    const int hours = ui->spinBoxHours->value();
    const int minutes = ui->spinBoxMinutes->value();
    QtLog::debug() << "OfflineWindow::onBtnLogTimeClicked - recorded hours: " << hours << ", minutes: " << minutes;
    // Manual time always starts where the idle period began; the user chooses its length.
    const QDateTime end = start.addSecs(hours * 3600 + minutes * 60);

    emit AppSignals::instance()->addManulTime(start, end, type, comment);
    close();
}

void OfflineWindow::closeEvent(QCloseEvent* event)
{
    idleStart = QDateTime();
    QtLog::debug() << "Reset idleStart to null";
    emit AppSignals::instance()->cancelIdleTime();
    hide();
    // Accepted, not ignored: a window that refuses to close stops the toolkit from closing
    // the rest when the program quits or the desktop session ends. It is only hidden (no
    // delete-on-close), and WA_QuitOnClose is off, so the program goes on.
    event->accept();
    emit closed();
}

void OfflineWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    else
        QWidget::changeEvent(event);
}
