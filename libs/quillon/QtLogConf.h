#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

// Process-wide log configuration. Setters take effect at once; changing the file name
// reopens the log, so callers set size and backup count before the name.
class QtLogConf
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
    // True when a message of this type passes the configured level.
    bool accepts(QtMsgType type) const;
    // Longer lines are cut to this many bytes of UTF-8 (a marker says how many went).
    static constexpr int maxLineBytes = 256 * 1024;

    // Writes one finished line. Lines that arrive before a file is set go to stderr.
    void write(QtMsgType type, const QString& message);
    void flush();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
