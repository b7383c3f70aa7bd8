#pragma once

#include <QMap>
#include <QObject>
#include <QString>

#include <memory>

class CrashReportDatabase;

// Crash reporting for the program: starts the crash handler process next to the
// executable, which writes a report into "crash_db" in the data folder when the program
// crashes and uploads it with the annotations to the collector at url.
class QCrashpad : public QObject
{
    Q_OBJECT
public:
    explicit QCrashpad(QObject* parent);
    // Deletes the database object. The handler is not stopped: it ends by itself when the
    // program has ended.
    ~QCrashpad() override;

    // True when the handler started and reported ready. Must run before any worker thread
    // starts, so every thread is covered by the signal handlers.
    bool start(const QString& url, const QMap<QString, QString>& annotations);

    // The executable's name beside the program (Linux executables carry no suffix).
    static QString handlerFileName();
    // Start-up waits this long at most for the handler, then runs on without it.
    static constexpr int handlerReadyTimeoutMs = 5000;

private:
    std::unique_ptr<CrashReportDatabase> _database;
};
