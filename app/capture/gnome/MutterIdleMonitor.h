#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Input activity in a GNOME session, from Mutter's idle monitor on the session bus: no
// extension and no Wayland protocol needed. Event-driven: a watch for the user's return and
// one for a second without input; Mutter calls back, nothing is polled.
//
// Turns those notices into activity calls with the rhythm of the Wayland idle protocols: at
// once when input resumes, then every half second while it goes on, up to 5 minutes without
// news. Mutter's user-active watch fires once per arming; it is armed again at most every
// half second while the user works, so each new fire is news of continued input.
//
// Lives on the thread that delivers its D-Bus signals; its calls wait at most callTimeoutMs.
class MutterIdleMonitor : public QObject
{
    Q_OBJECT
public:
    using Activity = std::function<void()>;

    static constexpr int idleAfterMs = 1000;
    static constexpr int tickMs = 500;
    static constexpr int callTimeoutMs = 2000;
    static constexpr qint64 activeWithoutNewsMs = qint64(5) * 60 * 1000;

    MutterIdleMonitor(const QDBusConnection& bus, Activity activity, QObject* parent = nullptr);
    ~MutterIdleMonitor() override;

    // Subscribes and adds both watches; false, with the reason logged, when Mutter does not
    // answer.
    bool start();
    // Removes the watches; no activity call after it returns.
    void stop();

    bool isUserActive() const { return _userActive; }

private slots:
    void onWatchFired(uint id);

private:
    void onTick();
    // A watch id, or 0 when the call failed (logged).
    uint addWatch(const QString& method, const QVariantList& arguments);
    void armUserActiveWatch();
    void report();

    QDBusConnection _bus;
    Activity _activity;
    QTimer _tick;
    uint _idleWatch = 0;
    uint _userActiveWatch = 0;
    bool _userActive = false;
    bool _stopped = false;
    QElapsedTimer _lastNews;
};
