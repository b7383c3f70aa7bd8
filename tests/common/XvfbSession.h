#pragma once

#include <QByteArray>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class SessionBus;

// A private X server for one test process: Xvfb on a display number it picks itself
// (-displayfd), so test executables can run in parallel, optionally with openbox as an
// EWMH window manager. DISPLAY points at it for the session's lifetime and is restored
// afterwards; the destructor stops both processes. Every session brings its own D-Bus
// session bus too (see SessionBus), as a desktop session does: programs on the display
// never try to start one for it.
class XvfbSession
{
public:
    enum class WindowManager { None, Openbox };

    // screen: the virtual screen's size in pixels.
    explicit XvfbSession(WindowManager windowManager = WindowManager::None, const QSize& screen = QSize(1280, 1024));
    ~XvfbSession();
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;

    bool isRunning() const { return _xvfb && _xvfb->state() == QProcess::Running; }
    // ":N", or empty when the server did not start.
    QString display() const { return _display; }
    // Why the session is not usable, for QSKIP/QFAIL messages.
    QString errorString() const { return _error; }

    // Runs a program against this display and waits at most timeoutMs for it; returns its
    // exit code, or -1 when it could not start, crashed or timed out (it is then killed).
    int run(const QString& program, const QStringList& arguments, int timeoutMs = 10000,
            QByteArray* output = nullptr) const;
    // Shorthand for run("xdotool", arguments).
    bool xdotool(const QStringList& arguments) const;

    // Starts trayer, an XEmbed system tray along the top edge, and waits until it shows.
    bool startTray();
    // Where the tray panel sits on the root window (an icon lands there once embedded);
    // empty without a tray.
    QRect trayPanel() const;
    // The first shown window with a title matching the pattern, or an empty text.
    QString windowId(const QString& titlePattern) const;
    // Where the shown windows whose class matches the pattern are, in the order xdotool
    // lists them; windows without a size are left out.
    QList<QRect> shownWindows(const QString& classPattern) const;
    // The geometry in xdotool's "getwindowgeometry --shell" output; empty where it has none.
    static QRect parseGeometry(const QByteArray& shellOutput);
    // Closes a window as its title-bar button does: openbox closes the active window on
    // Alt+F4.
    bool closeWindow(const QString& titlePattern) const;

    // Ends the X server at once, for tests of a server that goes away under a client. No
    // other X server takes its display number before the session ends.
    void killServer();

private:
    bool startXvfb(const QSize& screen);
    bool startOpenbox();
    void reserveDisplay();
    static bool waitForFile(const QString& path, int timeoutMs);
    static void stopProcess(QProcess* process);

    std::unique_ptr<SessionBus> _bus;
    std::unique_ptr<QProcess> _xvfb;
    std::unique_ptr<QProcess> _openbox;
    std::unique_ptr<QProcess> _trayer;
    std::unique_ptr<QTemporaryDir> _markerDir;
    QString _display;
    QString _error;
    int _reservation = -1;
    QByteArray _previousDisplay;
    bool _hadDisplay = false;
};
