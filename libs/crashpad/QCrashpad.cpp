#include "QCrashpad.h"

#include "CrashHandlerLauncher.h"
#include "CrashReportDatabase.h"
#include "CrashSignals.h"
#include "QtLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <map>
#include <string>
#include <vector>

namespace {

// The collector files reports by this token and by format.
const char* const kSubmissionToken = "a3f19c07d2e85b4160c9e7f2a8d35b106e4c9a27f1d08b53c6e2a9f47b10d862";
const char* const kFormat = "minidump";

} // namespace

QCrashpad::QCrashpad(QObject* parent) : QObject(parent) {}

QCrashpad::~QCrashpad() = default;

QString QCrashpad::handlerFileName()
{
    return QStringLiteral("crashpad_handler");
}

bool QCrashpad::start(const QString& url, const QMap<QString, QString>& annotations)
{
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString databaseFolder = QDir(dataFolder).filePath(QStringLiteral("crash_db"));
    if (!QDir(databaseFolder).exists()) {
        QDir().mkpath(databaseFolder);
        LK_DEBUG() << QStringLiteral("Created directory: ") + QDir(databaseFolder).absolutePath();
    }

    const QString handler = QDir(QCoreApplication::applicationDirPath()).filePath(handlerFileName());
    // Fatal, which no guarded line is: the program does not run without its crash handler.
    // The line still reaches the log through the installed message handler.
    if (!QFile::exists(handler))
        qFatal("Crashpad handler not found - %s", handler.toUtf8().constData());

    std::map<std::string, std::string> fields {{"token", kSubmissionToken}, {"format", kFormat}};
    for (auto it = annotations.cbegin(); it != annotations.cend(); ++it)
        fields[it.key().toStdString()] = it.value().toStdString();
    const std::vector<std::string> arguments {"--no-rate-limit"};
    const std::string uploadUrl = url.toStdString();
    const std::string handlerPath = QFile::encodeName(handler).toStdString();
    const std::string databasePath = QFile::encodeName(databaseFolder).toStdString();

    _database = CrashReportDatabase::initialize(databasePath);
    if (!_database)
        return false;
    _database->setUploadsEnabled(true);

    QElapsedTimer timer;
    timer.start();
    CrashHandlerLauncher launcher;
    if (!launcher.start(handlerPath, databasePath, uploadUrl, fields, arguments))
        return false;
    // Start-up must never hang on the handler: after a few seconds the program runs on
    // without crash reporting, and says so.
    if (!launcher.waitForReady(handlerReadyTimeoutMs)) {
        LK_WARNING() << "QCrashpad::start - the crash handler did not become ready (waited at most"
                     << handlerReadyTimeoutMs << "ms); running without crash reporting";
        return false;
    }
    CrashSignals::install(launcher.releaseSocket());
    LK_DEBUG() << "QCrashpad::start - crash handler" << launcher.pid() << "ready after" << timer.elapsed() << "ms";
    return true;
}
