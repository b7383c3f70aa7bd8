#include "BalloonTip.h"

#include "WindowPlacement.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>

namespace {

QStyle::StandardPixmap standardIcon(QSystemTrayIcon::MessageIcon icon)
{
    switch (icon) {
    case QSystemTrayIcon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case QSystemTrayIcon::Critical:
        return QStyle::SP_MessageBoxCritical;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

const QScreen* screenAt(const QPoint& point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

BalloonTip::BalloonTip(const BalloonNotice& notice)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), _anchor(notice.anchor)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(notice.title);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 8, 12, 10);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(4);
    if (notice.icon != QSystemTrayIcon::NoIcon) {
        const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(standardIcon(notice.icon)).pixmap(size, size));
        layout->addWidget(icon, 0, 0, Qt::AlignTop);
    }
    auto* title = new QLabel(this);
    title->setTextFormat(Qt::PlainText);
    title->setText(notice.title);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title, 0, 1);

    auto* message = new QLabel(this);
    message->setTextFormat(Qt::PlainText);
    message->setText(notice.message);
    // As wide as a third of the screen at most; longer texts wrap.
    const int limit = screenAt(_anchor)->availableGeometry().width() / 3;
    if (message->sizeHint().width() > limit) {
        message->setWordWrap(true);
        message->setFixedWidth(limit);
    }
    layout->addWidget(message, 1, 1);
    for (QLabel* label : {title, message})
        label->setForegroundRole(QPalette::ToolTipText);
}

void BalloonTip::showAtAnchor()
{
    adjustSize();
    const QRect area = screenAt(_anchor)->availableGeometry();
    move(WindowPlacement::balloonTopLeft(size(), _anchor, area));
    show();
}

void BalloonTip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().toolTipBase());
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void BalloonTip::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit clicked();
}
