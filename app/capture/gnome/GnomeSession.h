#pragma once

#include "GnomeShellFocus.h"

#include <QDBusConnection>

#include <functional>
#include <memory>

class MutterIdleMonitor;
class QThread;

// The capture source of a GNOME session: input activity from Mutter's idle monitor and the
// focused window from Larkspan's shell extension, both on the session bus, read on a thread
// of their own so that no D-Bus answer ever waits on the GUI or on input.
class GnomeSession
{
public:
    using Activity = std::function<void()>;
    using ExtensionMissing = std::function<void()>;

    // Null, with the reason logged, when no Mutter idle monitor is on the session bus.
    static std::unique_ptr<GnomeSession> connect();

    ~GnomeSession();
    GnomeSession(const GnomeSession&) = delete;
    GnomeSession& operator=(const GnomeSession&) = delete;

    // activity runs on the session's thread with the rhythm of MutterIdleMonitor;
    // extensionMissing there once when the shell extension does not answer at start.
    void start(Activity activity, ExtensionMissing extensionMissing);
    // Returns once the thread has ended; no call starts after that. Harmless when repeated.
    void stop();

    // Thread-safe; what the extension last said.
    ReportedWindow focusedWindow() const;

private:
    explicit GnomeSession(const QDBusConnection& bus);

    QDBusConnection _bus;
    std::unique_ptr<QThread> _thread;
    std::unique_ptr<GnomeShellFocus> _focus;
    std::unique_ptr<MutterIdleMonitor> _idle;
};
