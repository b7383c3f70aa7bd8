#include "ConsoleBrowser.h"

#include "QtLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QStringList>

namespace {

using CreateViewFunction = QWidget* (*)(QWidget*);

constexpr char kModuleName[] = "larkspan_webview";
constexpr char kCreateFunction[] = "larkspanCreateWebView";

CreateViewFunction createFunction = nullptr;

// Beside the program, and in the library folder next to its bin folder (the build tree and
// an installed tree alike).
QStringList moduleCandidates()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString file = QString::fromLatin1(kModuleName);
    return {QDir(appDir).filePath(file), QDir(appDir).filePath(QStringLiteral("../lib/") + file),
            QDir(appDir).filePath(QStringLiteral("../lib/larkspan/") + file)};
}

CreateViewFunction loadModule(QString* error)
{
    QStringList failures;
    for (const QString& candidate : moduleCandidates()) {
        // Never unloaded: the web engine cannot be taken out of a running process.
        QLibrary library(candidate);
        if (!library.load()) {
            failures << library.errorString();
            continue;
        }
        auto function = reinterpret_cast<CreateViewFunction>(library.resolve(kCreateFunction));
        if (function) {
            LK_INFO() << "ConsoleBrowser: loaded" << library.fileName();
            return function;
        }
        failures << library.errorString();
    }
    *error = failures.join(QStringLiteral("; "));
    return nullptr;
}

} // namespace

QWidget* ConsoleBrowser::createView(QWidget* parent, QString* error)
{
    if (!createFunction)
        createFunction = loadModule(error);
    return createFunction ? createFunction(parent) : nullptr;
}
