#include "Translations.h"

#include "QtLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

namespace Translations {

QStringList searchDirs()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    QStringList dirs {QDir::current().absoluteFilePath(QStringLiteral("translations")),
                      exeDir + QStringLiteral("/translations"),
                      // The installed tree's data folder, wherever its prefix is.
                      QDir::cleanPath(exeDir + QStringLiteral("/" LARKSPAN_DATA_FROM_PROGRAM_DIR "/larkspan/translations")),
                      QStringLiteral(LARKSPAN_TRANSLATIONS_INSTALL_DIR)};
    dirs.removeDuplicates();
    return dirs;
}

bool load(QTranslator& translator, const QLocale& locale)
{
    for (const QString& dir : searchDirs()) {
        if (translator.load(locale, QStringLiteral("larkspan"), QStringLiteral("_"), dir)) {
            QtLog::debug() << "Loaded translation: " << translator.filePath();
            return true;
        }
    }
    return false;
}

} // namespace Translations
