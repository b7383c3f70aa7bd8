#pragma once

#include <QPoint>

class QRect;
class QSize;
class QWidget;

// Where the program's windows appear: they are opened from the tray, far from any other
// window, so they come up in the middle of the primary screen.
class WindowPlacement
{
public:
    // Moves the window so that its centre lies on the centre of the primary screen.
    static void centreOnPrimaryScreen(QWidget* window);

    // The point the tray menu is placed against: the icon's centre, or the pointer for a
    // tray that reports no icon geometry (a status notifier host), which is where the
    // click was.
    static QPoint trayMenuAnchor(const QRect& iconRect, const QPoint& pointer);
    // The tray menu's top-left corner on the screen area holding the anchor. The menu's
    // bottom-right corner goes at the icon, its top-left corner at the pointer; either way
    // it flips to the other side where it would leave the area, and stays inside it.
    static QPoint trayMenuTopLeft(const QSize& menuSize, const QRect& iconRect, const QPoint& pointer,
                                  const QRect& area);

private:
    WindowPlacement() = delete;
};
