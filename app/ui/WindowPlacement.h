#pragma once

class QWidget;

// Where the program's windows appear: they are opened from the tray, far from any other
// window, so they come up in the middle of the primary screen.
class WindowPlacement
{
public:
    // Moves the window so that its centre lies on the centre of the primary screen.
    static void centreOnPrimaryScreen(QWidget* window);

private:
    WindowPlacement() = delete;
};
