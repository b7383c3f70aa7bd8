#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QWidget>

namespace {

bool hasGeometry(const QRect& iconRect)
{
    return iconRect.isValid() && !iconRect.isEmpty();
}

} // namespace

void WindowPlacement::centreOnPrimaryScreen(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->geometry().center());
    window->move(frame.topLeft());
}

QPoint WindowPlacement::trayMenuAnchor(const QRect& iconRect, const QPoint& pointer)
{
    return hasGeometry(iconRect) ? iconRect.center() : pointer;
}

QPoint WindowPlacement::trayMenuTopLeft(const QSize& menuSize, const QRect& iconRect, const QPoint& pointer,
                                        const QRect& area)
{
    const bool atIcon = hasGeometry(iconRect);
    const QPoint anchor = trayMenuAnchor(iconRect, pointer);
    QPoint topLeft = atIcon ? anchor - QPoint(menuSize.width(), menuSize.height()) : anchor;
    if (topLeft.x() < area.left() || topLeft.x() + menuSize.width() - 1 > area.right())
        topLeft.setX(atIcon ? iconRect.right() + 1 : anchor.x() - menuSize.width());
    if (topLeft.y() < area.top() || topLeft.y() + menuSize.height() - 1 > area.bottom())
        topLeft.setY(atIcon ? iconRect.bottom() + 1 : anchor.y() - menuSize.height());
    topLeft.setX(qBound(area.left(), topLeft.x(), qMax(area.left(), area.right() - menuSize.width() + 1)));
    topLeft.setY(qBound(area.top(), topLeft.y(), qMax(area.top(), area.bottom() - menuSize.height() + 1)));
    return topLeft;
}
