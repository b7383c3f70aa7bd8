#pragma once

#include <QString>

class QSettings;

// Free functions of the entry module, kept apart from main() so tests can call them.

// Organisation "Corvane"; application "LarkspanDev" with the INI flag
// "devCacheFolderUsed", else "Larkspan". Settings and data folder follow these names.
void setApplicationNames();
// Deletes the data folder of an obsolete installation, recognised by "timelogs.db".
void removeOldDataFolder();
QString logFileName(const QString& base, const char* suffix);
bool isMultiInstanceAllowed();
bool isUpdateDisabled();

// Configures logging from the INI flags; the log lives in the data folder.
void configureLogging();
// Writes "INI - <flag>:\t<value>" for each of the five flags.
void logIniFlags();
// "appStartTime", "macAddress" (only when empty) and a fresh "clientUuid".
void writeStartupSettings(QSettings& settings);
// Keeps the settings file, its folder and the data folder readable by the user alone.
void protectUserFiles(const QSettings& settings);
// Moves to the executable's folder unless started from a development checkout.
void chooseWorkingDirectory();
// Lets the network access managers start without the bearer plugins: call before the
// first one is made and while no other thread loads a plugin.
void leaveBearerPluginsUnloaded();
