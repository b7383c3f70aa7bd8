#pragma once

#include <QString>

class QApplication;

class AppUtils
{
public:
    // True when another instance of this application runs for this user. The first caller
    // takes a lock file that is held until the process ends; a lock left by a crashed
    // instance is recognised as stale (its process is gone) and taken over.
    static bool isAppRunning(const QApplication& app);
    // Starts the program at login through an XDG autostart entry named after id: a copy of
    // the desktop entry installed with the running program, so menu and login start the
    // same launcher. A copy that is not installed (a build tree, a test run, a program
    // moved away from its tree) registers nothing. The entry is rewritten only when its
    // content would change, and left alone when the user switched it off.
    static void registerStartup(const QApplication& app, const QString& id);
    // majorMinor + "." + the build number from the resource ":/build_number" ("0" without it).
    static QString getFullAppVersion(QString majorMinor);
    // The file's text as UTF-8; empty when it cannot be read.
    static QString readFileToString(QString path);
    // First hardware address of a non-loopback interface, e.g. "52:54:00:12:34:56".
    static QString getMacAddress();
    static bool isCompiledWith64bit();
    static void logSysInfo(const QApplication& app, QString version);

    // Where the single-instance lock lives (per user, per application name).
    static QString lockFilePath();
    // Where registerStartup writes its entry.
    static QString autostartFilePath(const QString& id);
    // The desktop entry "<id>.desktop" of the installed tree that programPath belongs to,
    // when its Exec starts that very program (directly or through a link); else empty.
    static QString installedDesktopEntry(const QString& programPath, const QString& id);
    // registerStartup's second half: the autostart entry from an installed desktop entry.
    static void writeAutostartEntry(const QString& desktopEntryPath, const QString& id);

private:
    AppUtils() = delete;
};
