#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// What a compositor offers the capture, learned from its globals at connection.
struct WaylandOffer {
    // "zwlr_foreign_toplevel_manager_v1", or empty when the compositor names no toplevel.
    QString toplevelProtocol;
    // Where the foreground window comes from when no toplevel protocol tells it ("KWin
    // script"); empty else.
    QString windowSource;
    // A desktop's own window source that answered but could not be used ("KWin script"):
    // named as what is missing, where the toplevel protocol was never to be expected.
    QString failedWindowSource;
    // "ext_idle_notifier_v1", else "org_kde_kwin_idle", or empty.
    QString idleProtocol;
    bool hasSeat = false;

    // Both are needed: without the toplevel any time would go to an unknown window, and
    // without idle notices every minute would look like absence.
    bool canTrack() const { return hasWindowSource() && !idleProtocol.isEmpty() && hasSeat; }
    bool hasWindowSource() const { return !toplevelProtocol.isEmpty() || !windowSource.isEmpty(); }
    // The protocols in use, for the start-up line.
    QString described() const;
    // What is missing, in words for the log; empty when nothing is.
    QString missing() const;
    // The same as protocol names, for a message in any language.
    QString missingProtocols() const;
};

// The toplevel the compositor marks as activated.
struct WaylandToplevel {
    QString appId;
    // Cut to the same length as X11 titles.
    QString title;
    bool found = false;
};

// One connection to the Wayland compositor, read on a thread of its own: it follows the
// activated toplevel and turns the compositor's idle notices into activity calls.
//
// The connection is made by connect() on the calling thread (bounded waits only), so the
// offer is known at once; start() hands it to the session's thread. Stopping wakes that
// thread through a pipe and joins it before the connection is closed, as the X11 hooks do.
// No protocol error ends the program: the session logs it and connects again.
class WaylandSession
{
public:
    using Activity = std::function<void()>;
    using Lost = std::function<void()>;

    // The display named by WAYLAND_DISPLAY (or the default one). Null, with the reason
    // logged, when there is none or it does not answer in time.
    static std::unique_ptr<WaylandSession> connect(const QString& displayName = QString());

    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    const WaylandOffer& offer() const { return _offer; }
    // The foreground window comes from elsewhere than the compositor's protocols; call
    // before start().
    void useWindowSource(const QString& source) { _offer.windowSource = source; }
    void noteFailedWindowSource(const QString& source) { _offer.failedWindowSource = source; }

    // activity runs on the session's thread whenever the user is seen to be active: at once
    // when input resumes, then every half second while it goes on (up to 5 minutes without
    // a pause). lost runs there once when the compositor goes away. Either may be empty.
    void start(Activity activity, Lost lost);
    // Returns once the thread has ended; no call starts after that. Harmless when repeated.
    void stop();

    // Thread-safe; answers from what the compositor last said, without a round trip.
    WaylandToplevel activeToplevel() const;

    struct Connection;

private:
    WaylandSession() = default;
    void run();
    // Reads and dispatches until stopped or the connection fails; true when it failed
    // with a protocol error, which a new connection may cure.
    bool serve();
    void publish();
    bool waitForWakeUp(int timeoutMs);

    QString _displayName;
    WaylandOffer _offer;
    std::unique_ptr<Connection> _connection;
    Activity _activity;
    Lost _lost;
    int _wakeRead = -1;
    int _wakeWrite = -1;
    std::atomic<bool> _stopRequested {false};
    std::thread _thread;

    mutable std::mutex _toplevelMutex;
    WaylandToplevel _toplevel;

    friend struct ConnectionAccess;
};
