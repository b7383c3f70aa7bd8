#pragma once

// Kept out of headers: Xlib's macros (None, Bool, Status) clash with Qt's headers.
typedef struct _XDisplay Display;

// Opening and letting go of a private X connection whose server may go away at any time.
class X11Display
{
public:
    // Connects to $DISPLAY; nullptr when that fails. A later loss of the connection is
    // left to the error trap to note, instead of Xlib ending the process.
    static Display* open();
    // Lets go of the display: closes it, or abandons it when its connection was lost.
    static void release(Display* display, bool connectionLost);
    // Closes a display whose connection is sound, under an error trap.
    static void close(Display* display);
    // Xlib cannot be trusted with a display whose connection broke: with thread support
    // on, XCloseDisplay may wait forever on state a failed call left behind (a reader that
    // gave up half-way). Only the socket is closed; the structure stays, a few kilobytes
    // once per lost X server.
    static void abandon(Display* display);

private:
    X11Display() = delete;
};
