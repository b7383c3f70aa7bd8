#pragma once

#include "LarkspanCoreExport.h"

#include <QLatin1String>
#include <QString>

#include <cstddef>

class QSettings;

// QLatin1String(const char*) measures its text with strlen, which is a constant expression only
// as a GCC extension; taking the length from the array's type makes the keys below constant
// expressions for every compiler.
template <std::size_t N> constexpr QLatin1String latin1Literal(const char (&text)[N])
{
    return QLatin1String(text, static_cast<int>(N - 1));
}

// Keys of the per-user settings store, shared by the program and larkspan-core.
// Readers always pass the default given beside each key in Defaults.
namespace Keys {
constexpr QLatin1String appStartTime = latin1Literal("appStartTime");
constexpr QLatin1String clientUuid = latin1Literal("clientUuid");
constexpr QLatin1String macAddress = latin1Literal("macAddress");
constexpr QLatin1String language = latin1Literal("language");
constexpr QLatin1String maxInactiveSecs = latin1Literal("maxInactiveSecs");
constexpr QLatin1String offlineEnabled = latin1Literal("offlineEnabled");
constexpr QLatin1String offlineType = latin1Literal("offlineType");
constexpr QLatin1String outlookDetecting = latin1Literal("outlookDetecting");
constexpr QLatin1String allowUrls = latin1Literal("allowUrls");
constexpr QLatin1String useDefaultBrowser = latin1Literal("useDefaultBrowser");
constexpr QLatin1String excludedAppNames = latin1Literal("excludedAppNames");
constexpr QLatin1String excludedWinTitles = latin1Literal("excludedWinTitles");
constexpr QLatin1String pauseIndefinitely = latin1Literal("pauseIndefinitely");
constexpr QLatin1String pauseUntilTomorrow = latin1Literal("pauseUntilTomorrow");
constexpr QLatin1String updateEnabled = latin1Literal("updateEnabled");
constexpr QLatin1String updateInterval = latin1Literal("updateInterval");
constexpr QLatin1String updateBetaChannel = latin1Literal("updateBetaChannel");
// The version the user chose to skip; background checks do not offer it again.
constexpr QLatin1String updateSkippedVersion = latin1Literal("updateSkippedVersion");
// UTC time of the last automatic or asked-for update check; the next is due an interval later.
constexpr QLatin1String updateLastCheck = latin1Literal("updateLastCheck");
constexpr QLatin1String uploadFailureCount = latin1Literal("uploadFailureCount");
constexpr QLatin1String lastUserEvent = latin1Literal("lastUserEvent");
constexpr QLatin1String lastPauseEvent = latin1Literal("lastPauseEvent");
constexpr QLatin1String lastConvertedEvent = latin1Literal("lastConvertedEvent");
constexpr QLatin1String userInfoJson = latin1Literal("userInfoJson");
// Set by "Logout & Quit": the leaving user's last logs are built and sent before the logout
// takes effect, at the end of the run; a run that died before that logs out at the next start.
constexpr QLatin1String logoutPending = latin1Literal("logoutPending");
} // namespace Keys

// Developer flags of the read-only INI file; every one defaults to false.
namespace IniKeys {
constexpr QLatin1String debugEnabled = latin1Literal("debugEnabled");
constexpr QLatin1String uploadDisabled = latin1Literal("uploadDisabled");
constexpr QLatin1String devCacheFolderUsed = latin1Literal("devCacheFolderUsed");
constexpr QLatin1String multiInstanceAllowed = latin1Literal("multiInstanceAllowed");
constexpr QLatin1String updateDisabled = latin1Literal("updateDisabled");
} // namespace IniKeys

namespace Defaults {
constexpr int maxInactiveSecs = 600;
constexpr bool offlineEnabled = true;
constexpr bool outlookDetecting = true;
constexpr bool allowUrls = false;
constexpr bool useDefaultBrowser = true;
// Also what the preferences show for a fresh profile, so that the box shows what happens.
constexpr bool updateEnabledAtStartup = true;
constexpr int updateInterval = 3600;
constexpr bool updateBetaChannel = false;
} // namespace Defaults

namespace AppConstants {
constexpr QLatin1String organizationName = latin1Literal("Corvane");
constexpr QLatin1String applicationName = latin1Literal("Larkspan");
constexpr QLatin1String devApplicationName = latin1Literal("LarkspanDev");
// major.minor; the build number comes from the resource ":/build_number".
constexpr QLatin1String version = latin1Literal("2.8");
constexpr QLatin1String databaseFileName = latin1Literal("larkspan.db");
constexpr QLatin1String signingSalt = latin1Literal("5d7c2a90-8e41-4f63-a2b8-91c0e4d7f315");
// Our packages are for Linux, so the feeds say so in their names.
constexpr QLatin1String appcastFileX86 = latin1Literal("appcast-linux-x86.xml");
constexpr QLatin1String appcastFileX64 = latin1Literal("appcast-linux-x64.xml");

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
