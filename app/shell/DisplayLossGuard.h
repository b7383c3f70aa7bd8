#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QMessageLogContext;

// Stores what was tracked when the X display goes away without a signal (the X session
// ended). Qt's X11 platform then ends the process with exit(1) behind the event loop's
// back. It gives no signal for this; its one notice is the warning "The X11 connection
// broke...", written on the GUI thread right before the exit, by both of its paths (the
// event reader and the Xlib I/O error handler). The guard watches the message stream for
// it and runs the orderly stop of the worker threads, with the event manager's final
// build, before the warning returns. Qt's Wayland platform ends the process the same way
// with "The Wayland connection broke...", but writes it on its own display thread: that
// thread is held until the GUI thread has stored.
//
// Stopping ahead of exit() rather than in an atexit() handler matters: exit() destroys
// function-local statics in reverse order of creation, so statics the running threads use
// (Qt's time-zone cache) would be gone before a handler registered at start-up ever ran.
class DisplayLossGuard
{
public:
    explicit DisplayLossGuard(std::function<void()> stop);
    // Puts the previous message handler back.
    ~DisplayLossGuard();
    // Nothing is run any more, should the display go away later.
    void disarm();
    DisplayLossGuard(const DisplayLossGuard&) = delete;
    DisplayLossGuard& operator=(const DisplayLossGuard&) = delete;

    // True for the toolkit's last words before it ends the process for a lost display.
    static bool isDisplayLossNotice(QtMsgType type, const QString& message);

    // For a session lost without the toolkit noticing (the Wayland compositor gone while
    // the windows live on another display): on the GUI thread, stops the threads as for a
    // lost display, once, then ends the event loop with 1.
    static void sessionLost(const QString& reason);

private:
    static void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);
};
