#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <mutex>

// Names the application of a Wayland toplevel the way the X11 layer does, by the base name
// of its executable, as far as the session reveals it: from the process when the
// compositor tells which one it is, else from the Exec line of the app_id's desktop entry,
// else the app_id itself.
class WaylandAppName
{
public:
    // Folders searched for applications/<id>.desktop, most important first.
    explicit WaylandAppName(const QStringList& dataDirs = xdgDataDirs());

    // pid 0 when the compositor did not tell; empty only when appId is empty and the
    // process cannot be read.
    QString forToplevel(const QString& appId, qint64 pid);

    // The program base name of the app_id's desktop entry; empty without a usable entry.
    // Remembered per app_id: entries change rarely, and this runs at every sample.
    QString fromDesktopEntry(const QString& appId);

    // The base name of the program an Exec value starts: quotes and escapes undone,
    // "env VAR=value" and a flatpak launcher looked through. Empty when there is none.
    static QString execProgram(const QString& exec);

    // $XDG_DATA_HOME (default ~/.local/share), then $XDG_DATA_DIRS (default
    // /usr/local/share:/usr/share).
    static QStringList xdgDataDirs();

private:
    QString lookUp(const QString& appId) const;

    const QStringList _dataDirs;
    std::mutex _mutex;
    QHash<QString, QString> _cache;
};
