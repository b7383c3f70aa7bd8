#include "BoundedProcess.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace {
constexpr int kSliceMs = 50;
}

QString BoundedProcess::firstOutput(const QString& program, const QStringList& arguments, int timeoutMs,
                                    const std::function<bool()>& shouldAbort)
{
    QProcess process;
    process.start(program, arguments, QIODevice::ReadWrite);
    process.closeWriteChannel();

    QString text;
    bool aborted = false;
    QDeadlineTimer deadline(timeoutMs);
    if (process.waitForStarted(qMax(0, int(deadline.remainingTime())))) {
        while (!deadline.hasExpired()) {
            if (shouldAbort && shouldAbort()) {
                aborted = true;
                break;
            }
            const int slice = int(qMin<qint64>(kSliceMs, qMax<qint64>(1, deadline.remainingTime())));
            if (process.waitForReadyRead(slice)) {
                text = QString::fromUtf8(process.readAllStandardOutput());
                break;
            }
            if (process.state() == QProcess::NotRunning)
                break;
        }
        // A quick program may have printed and exited before the first wait.
        if (text.isEmpty() && !aborted)
            text = QString::fromUtf8(process.readAllStandardOutput());
    }

    if (process.state() != QProcess::NotRunning && !process.waitForFinished(1)) {
        process.kill();
        // Reap it, so no zombie is left behind.
        process.waitForFinished(1000);
    }
    return text;
}
