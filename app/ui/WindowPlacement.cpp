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

// A window not shown yet has no decoration; the window manager adds one about this large.
const QMargins kAssumedFrame(4, 32, 4, 4);

QMargins frameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins known(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                         frame.bottom() - inner.bottom());
    if (window->isVisible() && !known.isNull())
        return known;
    return window->windowFlags().testFlag(Qt::FramelessWindowHint) ? QMargins() : kAssumedFrame;
}

} // namespace

void WindowPlacement::centreOnPrimaryScreen(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameMargins(window);
    const QSize room = roomOnArea(area, frame);
    if (window->minimumWidth() > room.width() || window->minimumHeight() > room.height())
        window->setMinimumSize(window->minimumSize().boundedTo(room));
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room));
    window->move(frameOnArea(window->size().grownBy(frame), area).topLeft());
}

QRect WindowPlacement::frameOnArea(const QSize& frameSize, const QRect& area)
{
    QRect frame(QPoint(0, 0), frameSize.boundedTo(area.size()));
    frame.moveCenter(area.center());
    // An odd difference in size puts the centre half a pixel off: never off the area.
    frame.moveTopLeft(QPoint(qMax(area.left(), frame.left()), qMax(area.top(), frame.top())));
    return frame;
}

QSize WindowPlacement::roomOnArea(const QRect& area, const QMargins& frame)
{
    return area.size().shrunkBy(frame).expandedTo(QSize(1, 1));
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

bool WindowPlacement::isIconPlaced(const QRect& iconRect)
{
    return hasGeometry(iconRect) && iconRect.topLeft() != QPoint(0, 0);
}

QPoint WindowPlacement::trayEdgeCorner(const QRect& screen, const QRect& available)
{
    if (available.top() > screen.top())
        return available.topRight();
    if (available.left() > screen.left())
        return available.bottomLeft();
    return available.bottomRight();
}

QPoint WindowPlacement::balloonAnchor(const QRect& iconRect, const QRect& area)
{
    const QPoint centre = iconRect.center();
    return QPoint(centre.x() > area.center().x() ? iconRect.right() : iconRect.left(),
                  centre.y() > area.center().y() ? iconRect.top() - 1 : iconRect.bottom() + 1);
}

QPoint WindowPlacement::balloonTopLeft(const QSize& size, const QPoint& point, const QRect& area)
{
    QPoint topLeft = point;
    if (point.x() > area.center().x())
        topLeft.rx() -= size.width() - 1;
    if (point.y() > area.center().y())
        topLeft.ry() -= size.height() - 1;
    topLeft.setX(qBound(area.left(), topLeft.x(), qMax(area.left(), area.right() - size.width() + 1)));
    topLeft.setY(qBound(area.top(), topLeft.y(), qMax(area.top(), area.bottom() - size.height() + 1)));
    return topLeft;
}
