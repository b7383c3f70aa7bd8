#include "OfflineWindow.h"
#include "ui_OfflineWindow.h"

#include "AppSignals.h"
#include "DateTimeUtils.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "TimeEvent.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QSettings>

#include <iterator>
#include <utility>

namespace {

// The activity types in the order of the form's list. A manual time is recorded (and the
// choice remembered) under the English name the service knows, whatever language the
// list is shown in: a German "Besprechung" is still a "Meeting".
const char* const kTypes[] = {"Reading", "Videocall", "Phonecall", "Meeting", "Thinking", "Paperwork", "Other"};

} // namespace

OfflineWindow::OfflineWindow(QDateTime idleStart, QDateTime idleEnd, QWidget* parent)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::OfflineWindow>()),
      idleStart(std::move(idleStart)),
      idleEnd(std::move(idleEnd))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint
                   | Qt::WindowCloseButtonHint);
    // A tray program: this prompt may be the only window on screen, and closing it must
    // not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->spinBoxHours->setButtonSymbols(QAbstractSpinBox::NoButtons);
    ui->spinBoxMinutes->setButtonSymbols(QAbstractSpinBox::NoButtons);
    for (int i = 0; i < int(std::size(kTypes)) && i < ui->comboBoxType->count(); ++i)
        ui->comboBoxType->setItemData(i, QString::fromLatin1(kTypes[i]));

    // "1 minute", "2 minutes": the units follow the numbers before them.
    connect(ui->spinBoxHours, qOverload<int>(&QSpinBox::valueChanged), this, &OfflineWindow::showUnits);
    connect(ui->spinBoxMinutes, qOverload<int>(&QSpinBox::valueChanged), this, &OfflineWindow::showUnits);
    connect(ui->btnCancel, &QPushButton::clicked, this, &OfflineWindow::close);
    connect(ui->btnLogTime, &QPushButton::clicked, this, &OfflineWindow::onBtnLogTimeClicked);
}

OfflineWindow::~OfflineWindow() = default;

void OfflineWindow::askForComment()
{
    LK_DEBUG() << "askForComment - idleEnded: " << idleEnd;
    updateOfflineTimeUI();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
}

void OfflineWindow::updateOfflineTimeUI()
{
    if (idleStart.isNull())
        return;

    const QString startStr = DateTimeUtils::toLocalTimeString(idleStart, true);
    const QString endStr = DateTimeUtils::toLocalTimeString(idleEnd, true);
    LK_DEBUG() << "updateOfflineTimeUI - idleStartStr: " << startStr << ", idleEndStr: " << endStr;

    const QDateTime localStart = idleStart.toLocalTime();
    const QDateTime localEnd = idleEnd.toLocalTime();
    const QString elapsed = DateTimeUtils::formatDurationBetween(localStart, localEnd, false);
    showPeriodTexts(startStr, endStr, elapsed);
    LK_DEBUG() << "updateOfflineTimeUI - timeElapsed: " << ui->labelTimeElapsed->text();

    const QVector<int> hoursAndMinutes = DateTimeUtils::durationHoursAndMinutesBetween(localStart, localEnd);
    const int hours = hoursAndMinutes.value(0);
    const int minutes = hoursAndMinutes.value(1);

    ui->spinBoxHours->setMaximum(hours);
    ui->spinBoxHours->setValue(hours);
    ui->spinBoxHours->setVisible(hours > 0);
    ui->labelHours->setVisible(hours > 0);
    ui->spinBoxMinutes->setMaximum(minutes);
    ui->spinBoxMinutes->setValue(minutes);
    showUnits();

    if (!isVisible()) {
        const QString lastType = QSettings().value(Keys::offlineType).toString();
        if (!lastType.isEmpty()) {
            const int index = ui->comboBoxType->findData(lastType);
            if (index >= 0)
                ui->comboBoxType->setCurrentIndex(index);
            else
                ui->comboBoxType->setCurrentText(lastType);
        }
        ui->txtComment->setFocus(Qt::OtherFocusReason);
        adjustSize();
        WindowPlacement::centreOnPrimaryScreen(this);
        setFixedSize(width(), height());
        setMinimumSize(width(), height());
        setMaximumSize(width(), height());
        show();
    }
    LK_DEBUG() << "updateOfflineTimeUI - end.";
}

void OfflineWindow::showPeriodTexts(const QString& startStr, const QString& endStr, const QString& elapsed)
{
    ui->labelQuestion->setText(tr("Add an Activity Note to your Timeline (%1 - %2)?").arg(startStr, endStr));
    ui->labelTimeElapsed->setText(tr("(Total Time Elapsed: %1)").arg(elapsed));
}

void OfflineWindow::showUnits()
{
    ui->labelHours->setText(tr("hours", "after the number of hours", ui->spinBoxHours->value()));
    ui->label_3->setText(tr("minutes", "after the number of minutes", ui->spinBoxMinutes->value()));
}

void OfflineWindow::onBtnCancelClicked()
{
    close();
}

void OfflineWindow::onBtnLogTimeClicked()
{
    QString type = ui->comboBoxType->currentData().toString();
    if (type.isEmpty())
        type = ui->comboBoxType->currentText();
    QSettings().setValue(Keys::offlineType, type);

    QString comment = ui->txtComment->text();
    if (comment.isEmpty())
        comment = TimeEvent::strEmpty();

    const QDateTime start = idleStart.toUTC();
    const int hours = ui->spinBoxHours->value();
    const int minutes = ui->spinBoxMinutes->value();
    LK_DEBUG() << "OfflineWindow::onBtnLogTimeClicked - recorded hours: " << hours << ", minutes: " << minutes;
    // Manual time always starts where the idle period began; the user chooses its length.
    // The minutes offered are rounded, so the preset can reach up to half a minute past the
    // user's return, into time already tracked after it: it ends at the return at the latest.
    QDateTime end = start.addSecs(hours * 3600 + minutes * 60);
    if (idleEnd.isValid() && idleEnd.toUTC() >= start && end > idleEnd.toUTC())
        end = idleEnd.toUTC();

    emit AppSignals::instance()->addManulTime(start, end, type, comment);
    close();
}

void OfflineWindow::closeEvent(QCloseEvent* event)
{
    idleStart = QDateTime();
    LK_DEBUG() << "Reset idleStart to null";
    emit AppSignals::instance()->cancelIdleTime();
    hide();
    // Accepted, not ignored: a window that refuses to close stops the toolkit from closing
    // the rest when the program quits or the desktop session ends. It is only hidden (no
    // delete-on-close), and WA_QuitOnClose is off, so the program goes on.
    event->accept();
    emit closed();
}

void OfflineWindow::keyPressEvent(QKeyEvent* event)
{
    // The fields pass Enter and Escape on; a focused button takes Enter itself.
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    const int key = event->key();
    if (plain && key == Qt::Key_Escape)
        close();
    else if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter))
        ui->btnLogTime->click();
    else
        QMainWindow::keyPressEvent(event);
}

void OfflineWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showUnits();
        // The form's own texts for these two are samples; an open prompt keeps showing
        // its real period, now in the new language.
        if (!idleStart.isNull())
            showPeriodTexts(
                DateTimeUtils::toLocalTimeString(idleStart, true), DateTimeUtils::toLocalTimeString(idleEnd, true),
                DateTimeUtils::formatDurationBetween(idleStart.toLocalTime(), idleEnd.toLocalTime(), false));
        // Its size was fixed for the texts of the old language.
        if (isVisible()) {
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            adjustSize();
            setFixedSize(size());
        }
    } else
        QWidget::changeEvent(event);
}
