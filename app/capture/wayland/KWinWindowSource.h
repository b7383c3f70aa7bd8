#pragma once

#include "ReportedWindowDetector.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>
#include <mutex>

// The object Larkspan's KWin script calls on every activation and caption change. Calls
// arrive on the thread of the bus connection; the sampler reads the result from its own.
class KWinWindowReceiver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.Larkspan.ActiveWindow")

public:
    using QObject::QObject;

    ReportedWindow current() const;

public slots:
    // All three as text, whatever types the script engine would give them: a call KWin
    // cannot convert would be dropped without a word. Empty values: no active window.
    Q_SCRIPTABLE void report(const QString& pid, const QString& resourceClass, const QString& caption);

private:
    mutable std::mutex _mutex;
    ReportedWindow _window;
};

// The foreground window of a KDE Plasma session, told by a small script Larkspan loads
// into KWin over its scripting D-Bus interface. KWin offers no toplevel protocol, and its
// scripts see what the compositor knows: the window's process, class and caption.
class KWinWindowSource
{
public:
    static constexpr const char* serviceName = "com.corvane.Larkspan.ActiveWindow";
    static constexpr const char* objectPath = "/ActiveWindow";
    static constexpr const char* pluginName = "larkspan-activewindow";

    // Null when KWin does not answer on the bus (not a Plasma session) or the script
    // cannot be loaded and run; the reason is logged in the latter case.
    static std::unique_ptr<KWinWindowSource> start(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                                   const QString& scriptPath = scriptFile());
    // Whether KWin answers on the bus: a Plasma session, where a null start() means the
    // script did not load, not that the desktop has no window source.
    static bool kwinAnswers(const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~KWinWindowSource();
    KWinWindowSource(const KWinWindowSource&) = delete;
    KWinWindowSource& operator=(const KWinWindowSource&) = delete;

    // Takes the script out of KWin and leaves the bus; harmless when repeated.
    void unload();

    ReportedWindow activeWindow() const { return _receiver->current(); }

    // The shipped script: beside the program in a build tree, else in the installed data
    // folder. Empty when neither holds it.
    static QString scriptFile();

private:
    explicit KWinWindowSource(const QDBusConnection& bus);
    bool load(const QString& scriptPath);

    QDBusConnection _bus;
    std::unique_ptr<KWinWindowReceiver> _receiver;
    bool _registered = false;
    bool _loaded = false;
};
