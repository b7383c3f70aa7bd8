#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>

// Process-wide log configuration. Setters take effect at once; changing the file name
// reopens the log, so callers set size and backup count before the name.
class Q_DECL_EXPORT QtLogConf
{
public:
    QtLogConf();
    ~QtLogConf();
    QtLogConf(const QtLogConf&) = delete;
    QtLogConf& operator=(const QtLogConf&) = delete;

    void setMaxFileSize(qint64 bytes);
    void setMaxBackupCount(int count);
    // A relative name is placed in the application's data folder.
    void setFileName(const QString& fileName);
    void setLogLevel(const QtMsgType& level);

    QString getLogFilePath() const;
    QtMsgType logLevel() const;
    // True when a message of this type passes the configured level: one relaxed atomic
    // read, inline, with no lock, so the guard macros in QtLog.h cost next to nothing.
    static bool accepts(QtMsgType type) noexcept
    {
        return (acceptedTypes.load(std::memory_order_relaxed) >> static_cast<unsigned>(type)) & 1u;
    }
    // Longer lines are cut to this many bytes of UTF-8 (a marker says how many went).
    static constexpr int maxLineBytes = 256 * 1024;

    // Writes one finished line. Lines that arrive before a file is set go to stderr.
    void write(QtMsgType type, const QString& message);
    void flush();

private:
    // One bit per QtMsgType that passes. Qt's enum is not in level order (QtInfoMsg comes
    // last), so a set of types reads more simply than a threshold. The level is one per
    // process, like the logger.
    static std::atomic<unsigned> acceptedTypes;

    struct Private;
    std::unique_ptr<Private> d;
};
