#include "Translations.h"

#include "QtLog.h"
#include "SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTranslator>

namespace Translations {

QStringList searchDirs()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    QStringList dirs {
        QDir::current().absoluteFilePath(QStringLiteral("translations")), exeDir + QStringLiteral("/translations"),
        // The installed tree's data folder, wherever its prefix is.
        QDir::cleanPath(exeDir + QStringLiteral("/" LARKSPAN_DATA_FROM_PROGRAM_DIR "/larkspan/translations")),
        QStringLiteral(LARKSPAN_TRANSLATIONS_INSTALL_DIR)};
    dirs.removeDuplicates();
    return dirs;
}

namespace {

bool loadExactly(QTranslator& translator, const QLocale& locale)
{
    for (const QString& dir : searchDirs()) {
        if (translator.load(locale, QStringLiteral("larkspan"), QStringLiteral("_"), dir)) {
            LK_DEBUG() << "Loaded translation: " << translator.filePath();
            return true;
        }
    }
    return false;
}

} // namespace

bool load(QTranslator& translator, const QLocale& locale)
{
    if (loadExactly(translator, locale))
        return true;
    // Chinese comes in two writings, each translated once: Hong Kong and Macao read the
    // traditional one of Taiwan, Singapore the simplified one of China.
    if (locale.language() == QLocale::Chinese && locale.country() != QLocale::China
        && locale.country() != QLocale::Taiwan) {
        const bool traditional = locale.script() == QLocale::TraditionalChineseScript;
        return loadExactly(translator, QLocale(QLocale::Chinese, traditional ? QLocale::Taiwan : QLocale::China));
    }
    return false;
}

QLocale savedLocale()
{
    const QLocale locale(QSettings().value(Keys::language, QLocale::system().name()).toString());
    LK_DEBUG() << "Locale: " << locale << ", currentPath: " << QDir::currentPath();
    return locale;
}

void switchTo(QTranslator& translator, const QLocale& locale)
{
    QCoreApplication::removeTranslator(&translator);
    // Languages without a catalogue (and the "C" locale) read the English texts, whose own
    // catalogue holds the singular of texts with a number: "1 minute".
    if (!load(translator, locale))
        loadExactly(translator, QLocale(QLocale::English, QLocale::UnitedStates));
    QCoreApplication::installTranslator(&translator);
    QLocale::setDefault(locale);
}

} // namespace Translations
