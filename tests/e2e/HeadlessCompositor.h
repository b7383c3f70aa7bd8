#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>

// A real headless Wayland compositor for one test, as a user's session runs it: as an
// unprivileged user (sway refuses root; as root the test drops to the user "larkspan-wl",
// created on first use), with a private session bus and its runtime folder in the given
// home, which the user is given. sway runs with XWayland; weston (kiosk shell) stands for a
// compositor that reveals neither the foreground window nor input activity. KWin runs on a
// virtual output with XWayland; input reaches it through its fake input protocol. GNOME Shell
// runs headless with one virtual monitor, its settings in a key file under XDG_CONFIG_HOME (the
// test writes it, with the extensions to enable) and a private system bus of its own, so
// that it finds no login manager rather than the machine's.
//
//     HeadlessCompositor sway(home.path(), home.environment());
//     QVERIFY2(sway.isRunning(), qPrintable(sway.errorString()));
//     sway.exec("foot --title=Notes --app-id=notes cat");
class HeadlessCompositor
{
public:
    enum class Kind { Sway, Weston, KWin, Gnome };

    // swayConfig is added to sway's configuration (a bar block, say).
    HeadlessCompositor(const QString& home, const QProcessEnvironment& environment, Kind kind = Kind::Sway,
                       const QByteArray& swayConfig = QByteArray());
    // Ends the compositor, everything it started and the bus.
    ~HeadlessCompositor();
    HeadlessCompositor(const HeadlessCompositor&) = delete;
    HeadlessCompositor& operator=(const HeadlessCompositor&) = delete;

    bool isRunning() const;
    QString errorString() const { return _error; }
    qint64 compositorPid() const;
    // How a command runs as the session's user (empty when the test is not root).
    QStringList launcher() const { return _launcher; }
    uint uid() const { return _uid; }

    // Whether the session's user may run this program (a build tree inside a home
    // folder closed to others is out of its reach).
    bool canRun(const QString& program) const;
    // swaymsg with these arguments, as the user; its standard output.
    QByteArray swaymsg(const QStringList& arguments) const;
    // Starts a command the way the session starts programs: through sh -c, by sway itself
    // (swaymsg exec) or, under weston, as the user with the session's environment.
    bool exec(const QString& command) const;
    // The environment of the session's programs.
    QProcessEnvironment environment() const { return _env; }
    // Types through the virtual keyboard protocol, as the user; under KWin, as many key
    // strokes as the text has characters, through its fake input protocol.
    bool type(const QString& text) const;

    // The windows of the tree (native and XWayland alike).
    QJsonArray windows() const;
    // The first window with this app_id or title; empty when there is none.
    QJsonObject window(const QString& appId, const QString& title = QString()) const;
    bool waitForWindow(const QString& appId, const QString& title = QString(), int timeoutMs = 15000) const;
    // The items registered with the session's StatusNotifierWatcher (the tray of a bar);
    // false while no watcher answers.
    bool statusNotifierItems(QStringList* items) const;
    // Focuses the window sway's criteria name, e.g. [app_id="notes"] or [class="XTerm"].
    bool focus(const QString& criteria) const;

    // Runs a program as the session's user, with the session's environment, for at most 10 s;
    // true when it ends with 0. Its standard output goes to output.
    bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) const;

    // The compositor dies as by a crash.
    void kill();

private:
    bool prepareUser(const QString& home);
    // A private bus named "session" or "system", its address in the session's environment.
    bool startBus(const QString& home, const QString& name, std::unique_ptr<QProcess>& bus);
    // KWin's command line; its program and the typing client copied into the home.
    QStringList prepareKWin(const QString& home);
    // The X display and its authority of KWin's XWayland, as KWin's first program saw them.
    bool readKWinDisplay(const QString& home);

    Kind _kind;
    QStringList _launcher;
    uint _uid = 0;
    QProcessEnvironment _env;
    QString _runtimeDir;
    QString _socket;
    QString _display;
    QString _fakeKeys;
    std::unique_ptr<QProcess> _bus;
    std::unique_ptr<QProcess> _systemBus;
    std::unique_ptr<QProcess> _compositor;
    QString _error;
};
