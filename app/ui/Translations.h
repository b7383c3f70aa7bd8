#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QTranslator;

// Where the compiled translations "larkspan_<locale>.qm" are looked for, in this order:
// "translations" in the current directory (a development run), beside the executable (a
// build tree), then the installed data folder. The desktop starts Larkspan from the home
// folder at login, so the current directory alone would miss them.
namespace Translations {
QStringList searchDirs();
// Loads the best file for the locale from the first folder that has one.
bool load(QTranslator& translator, const QLocale& locale);
// The interface language the user chose ("language"), else the system's.
QLocale savedLocale();
// Makes locale the interface language: the translator is loaded for it and installed
// afresh, and it becomes the default locale, so dates and numbers follow it too.
void switchTo(QTranslator& translator, const QLocale& locale);
} // namespace Translations
