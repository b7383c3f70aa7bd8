#include "SettingsKeys.h"

#include <QSettings>

namespace {

QString baseUrlFrom(const char* variable, const char* fallback)
{
    QString url = qEnvironmentVariable(variable);
    if (url.isEmpty())
        url = QString::fromUtf8(fallback);
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    return url;
}

} // namespace

QString AppConstants::serverBaseUrl()
{
    return baseUrlFrom("LARKSPAN_SERVER_URL", LARKSPAN_DEFAULT_SERVER_URL);
}

QString AppConstants::ingressBaseUrl()
{
    return baseUrlFrom("LARKSPAN_INGRESS_URL", LARKSPAN_DEFAULT_INGRESS_URL);
}

QString AppConstants::crashUploadUrl()
{
    const QString url = qEnvironmentVariable("LARKSPAN_CRASH_URL");
    return url.isEmpty() ? QString::fromUtf8(LARKSPAN_DEFAULT_CRASH_URL) : url;
}

QString AppConstants::appcastUrl(bool beta, bool is64bit)
{
    QString folder = baseUrlFrom("LARKSPAN_UPDATE_URL", LARKSPAN_DEFAULT_UPDATE_URL) + QLatin1Char('/');
    if (beta)
        folder += QLatin1String("beta/");
    return folder + (is64bit ? appcastFileX64 : appcastFileX86);
}

QSettings& iniSettings()
{
    static QSettings settings(QSettings::IniFormat, QSettings::UserScope, QString(AppConstants::organizationName),
                              QString(AppConstants::applicationName));
    return settings;
}
