#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where the program's windows appear: they are opened from the tray, far from any other
// window, so they come up in the middle of the primary screen, and whole on it.
class WindowPlacement
{
public:
    // Moves the window so that its centre lies on the centre of the primary screen's free
    // area (without panels), first shrinking it, and its minimum size, to that area where
    // it is larger: a netbook's 1024x600 must still show the title bar and its buttons.
    static void centreOnPrimaryScreen(QWidget* window);

    // The frame (the window with the window manager's decoration) of the given size on
    // area: no larger than the area, centred on it.
    static QRect frameOnArea(const QSize& frameSize, const QRect& area);
    // The room the window itself has on area inside a frame with these margins.
    static QSize roomOnArea(const QRect& area, const QMargins& frame);

    // The point the tray menu is placed against: the icon's centre, or the pointer for a
    // tray that reports no icon geometry (a status notifier host), which is where the
    // click was.
    static QPoint trayMenuAnchor(const QRect& iconRect, const QPoint& pointer);
    // The tray menu's top-left corner on the screen area holding the anchor. The menu's
    // bottom-right corner goes at the icon, its top-left corner at the pointer; either way
    // it flips to the other side where it would leave the area, and stays inside it.
    static QPoint trayMenuTopLeft(const QSize& menuSize, const QRect& iconRect, const QPoint& pointer,
                                  const QRect& area);

    // Whether the tray told where its icon is. An icon the tray has not taken in yet
    // reports the screen's top-left corner.
    static bool isIconPlaced(const QRect& iconRect);
    // Where the tray most likely is when its icon's place is unknown: the end of the panel
    // that takes room from the screen (where trays sit), else the bottom-right corner.
    static QPoint trayEdgeCorner(const QRect& screen, const QRect& available);
    // The point a balloon is shown against: the icon's corner that faces the middle of
    // area, just off the icon on the side of the panel that faces the screen.
    static QPoint balloonAnchor(const QRect& iconRect, const QRect& area);
    // A balloon of this size in the corner of area nearest to point.
    static QPoint balloonTopLeft(const QSize& size, const QPoint& point, const QRect& area);

private:
    WindowPlacement() = delete;
};
