#pragma once

#include <QString>

// What the X11 layer learns about one window. Each field is read on its own: one that
// could not be read (no such property, a process of another user, a window destroyed
// half-way) stays empty or 0 while the others keep what was read.
struct X11ForegroundWindow {
    // The client window (the one carrying title and process id); 0 when no window has
    // the focus or no X display is available.
    unsigned long window = 0;
    // Owning process, 0 when unknown (no _NET_WM_PID, and the server cannot tell).
    qint64 pid = 0;
    // File name of the process's executable, for example "xterm"; empty when unknown.
    QString appName;
    // Full title text; empty for a window without title or when it cannot be read.
    QString title;

    bool found() const { return window != 0; }
};
