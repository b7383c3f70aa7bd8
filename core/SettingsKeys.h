#pragma once

#include "LarkspanCoreExport.h"

#include <QLatin1String>
#include <QString>

class QSettings;

// Keys of the per-user settings store, shared by the program and larkspan-core.
// Readers always pass the default given beside each key in Defaults.
namespace Keys {
constexpr QLatin1String appStartTime {"appStartTime"};
constexpr QLatin1String clientUuid {"clientUuid"};
constexpr QLatin1String macAddress {"macAddress"};
constexpr QLatin1String language {"language"};
constexpr QLatin1String maxInactiveSecs {"maxInactiveSecs"};
constexpr QLatin1String offlineEnabled {"offlineEnabled"};
constexpr QLatin1String offlineType {"offlineType"};
constexpr QLatin1String outlookDetecting {"outlookDetecting"};
constexpr QLatin1String allowUrls {"allowUrls"};
constexpr QLatin1String useDefaultBrowser {"useDefaultBrowser"};
constexpr QLatin1String excludedAppNames {"excludedAppNames"};
constexpr QLatin1String excludedWinTitles {"excludedWinTitles"};
constexpr QLatin1String pauseIndefinitely {"pauseIndefinitely"};
constexpr QLatin1String pauseUntilTomorrow {"pauseUntilTomorrow"};
constexpr QLatin1String updateEnabled {"updateEnabled"};
constexpr QLatin1String updateInterval {"updateInterval"};
constexpr QLatin1String updateBetaChannel {"updateBetaChannel"};
// The version the user chose to skip; background checks do not offer it again.
constexpr QLatin1String updateSkippedVersion {"updateSkippedVersion"};
// UTC time of the last automatic or asked-for update check; the next is due an interval later.
constexpr QLatin1String updateLastCheck {"updateLastCheck"};
constexpr QLatin1String uploadFailureCount {"uploadFailureCount"};
constexpr QLatin1String lastUserEvent {"lastUserEvent"};
constexpr QLatin1String lastPauseEvent {"lastPauseEvent"};
constexpr QLatin1String lastConvertedEvent {"lastConvertedEvent"};
constexpr QLatin1String userInfoJson {"userInfoJson"};
} // namespace Keys

// Developer flags of the read-only INI file; every one defaults to false.
namespace IniKeys {
constexpr QLatin1String debugEnabled {"debugEnabled"};
constexpr QLatin1String uploadDisabled {"uploadDisabled"};
constexpr QLatin1String devCacheFolderUsed {"devCacheFolderUsed"};
constexpr QLatin1String multiInstanceAllowed {"multiInstanceAllowed"};
constexpr QLatin1String updateDisabled {"updateDisabled"};
} // namespace IniKeys

namespace Defaults {
constexpr int maxInactiveSecs = 600;
constexpr bool offlineEnabled = true;
constexpr bool outlookDetecting = true;
constexpr bool allowUrls = false;
constexpr bool useDefaultBrowser = true;
constexpr bool updateEnabledAtStartup = true;
constexpr bool updateEnabledInPreferences = false;
constexpr int updateInterval = 3600;
constexpr bool updateBetaChannel = false;
} // namespace Defaults

namespace AppConstants {
constexpr QLatin1String organizationName {"Corvane"};
constexpr QLatin1String applicationName {"Larkspan"};
constexpr QLatin1String devApplicationName {"LarkspanDev"};
// major.minor; the build number comes from the resource ":/build_number".
constexpr QLatin1String version {"2.8"};
constexpr QLatin1String databaseFileName {"larkspan.db"};
constexpr QLatin1String signingSalt {"5d7c2a90-8e41-4f63-a2b8-91c0e4d7f315"};
// Our packages are for Linux, so the feeds say so in their names.
constexpr QLatin1String appcastFileX86 {"appcast-linux-x86.xml"};
constexpr QLatin1String appcastFileX64 {"appcast-linux-x64.xml"};

// Base URLs of the service: build-time defaults, overridden by the environment
// variables LARKSPAN_SERVER_URL and LARKSPAN_INGRESS_URL. No trailing slash.
LARKSPAN_CORE_EXPORT QString serverBaseUrl();
LARKSPAN_CORE_EXPORT QString ingressBaseUrl();
// Crash collector's submission URL, path included: build-time default, overridden by the
// environment variable LARKSPAN_CRASH_URL.
LARKSPAN_CORE_EXPORT QString crashUploadUrl();
// Appcast address for a channel and architecture, in the folder given at build time or by
// the environment variable LARKSPAN_UPDATE_URL.
LARKSPAN_CORE_EXPORT QString appcastUrl(bool beta, bool is64bit);
} // namespace AppConstants

// The process-wide INI flag file, the same for normal and developer mode.
// Created on first use; the program only reads it and never creates the file.
LARKSPAN_CORE_EXPORT QSettings& iniSettings();
