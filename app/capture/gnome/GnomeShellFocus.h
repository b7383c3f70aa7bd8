#pragma once

#include "ReportedWindowDetector.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <mutex>

// Follows the focused window through Larkspan's GNOME Shell extension: asks it once at start,
// then listens to its signal on every change of focus or title. Mutter itself tells no
// client which window is in front.
//
// Lives on the thread that delivers its D-Bus signals; focusedWindow() is thread-safe.
class GnomeShellFocus : public QObject
{
    Q_OBJECT
public:
    using Missing = std::function<void()>;

    static const QString service;
    static const QString path;
    static const QString interface;
    static constexpr int callTimeoutMs = 2000;

    // missing runs once, on this object's thread, when the extension does not answer at start.
    GnomeShellFocus(const QDBusConnection& bus, Missing missing, QObject* parent = nullptr);

    void start();
    void stop();

    ReportedWindow focusedWindow() const;
    bool extensionAnswered() const;

private slots:
    void onChanged(uint pid, const QString& wmClass, const QString& title);

private:
    void store(uint pid, const QString& wmClass, const QString& title);

    QDBusConnection _bus;
    Missing _missing;
    bool _subscribed = false;

    mutable std::mutex _mutex;
    ReportedWindow _window;
    bool _answered = false;
};
