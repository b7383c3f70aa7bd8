#include "QtLogConf.h"

#include "PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <spdlog/logger.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_sinks.h>

#include <atomic>
#include <mutex>

namespace {

// Qt's enum puts QtInfoMsg after QtFatalMsg; this is the order users expect.
constexpr int rank(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 0;
    case QtInfoMsg:
        return 1;
    case QtWarningMsg:
        return 2;
    case QtCriticalMsg:
        return 3;
    case QtFatalMsg:
        return 4;
    }
    return 2;
}

spdlog::level::level_enum toSpd(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return spdlog::level::debug;
    case QtInfoMsg:
        return spdlog::level::info;
    case QtWarningMsg:
        return spdlog::level::warn;
    case QtCriticalMsg:
        return spdlog::level::err;
    case QtFatalMsg:
        return spdlog::level::critical;
    }
    return spdlog::level::warn;
}

constexpr QtMsgType kTypes[] = {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg, QtFatalMsg};

constexpr unsigned typesFrom(QtMsgType level)
{
    unsigned types = 0;
    for (QtMsgType type : kTypes) {
        if (rank(type) >= rank(level))
            types |= 1u << static_cast<unsigned>(type);
    }
    return types;
}

const char* kPattern = "%Y-%m-%d %H:%M:%S.%e [%l] [%t] %v";

} // namespace

struct QtLogConf::Private {
    mutable std::mutex mutex;
    std::shared_ptr<spdlog::logger> logger;
    QString filePath;
    qint64 maxFileSize = qint64 {10} * 1024 * 1024;
    int maxBackupCount = 2;

    std::shared_ptr<spdlog::logger> current()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!logger) {
            logger = std::make_shared<spdlog::logger>("larkspan", std::make_shared<spdlog::sinks::stderr_sink_mt>());
            logger->set_pattern(kPattern);
            logger->set_level(spdlog::level::trace);
        }
        return logger;
    }

    // Called with the mutex held.
    void reopen()
    {
        if (filePath.isEmpty())
            return;
        std::shared_ptr<spdlog::logger> next;
        try {
            auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
                QFile::encodeName(filePath).toStdString(), static_cast<std::size_t>(qMax<qint64>(1, maxFileSize)),
                static_cast<std::size_t>(qMax(0, maxBackupCount)));
            next = std::make_shared<spdlog::logger>("larkspan", sink);
        } catch (const std::exception& e) {
            // Keep logging where we did before rather than losing lines.
            fprintf(stderr, "Cannot open log file %s: %s\n", qPrintable(filePath), e.what());
            return;
        }
        next->set_pattern(kPattern);
        next->set_level(spdlog::level::trace);
        next->flush_on(spdlog::level::warn);
        if (logger)
            logger->flush();
        logger = next;
    }
};

std::atomic<unsigned> QtLogConf::acceptedTypes {typesFrom(QtWarningMsg)};

QtLogConf::QtLogConf() : d(new Private) {}

QtLogConf::~QtLogConf()
{
    flush();
}

void QtLogConf::setMaxFileSize(qint64 bytes)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->maxFileSize = bytes;
    d->reopen();
}

void QtLogConf::setMaxBackupCount(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->maxBackupCount = count;
    d->reopen();
}

void QtLogConf::setFileName(const QString& fileName)
{
    QString path = fileName;
    if (QFileInfo(fileName).isRelative()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        // The log can hold window titles: keep it to the user.
        PrivateFiles::makeFolder(folder);
        path = QDir(folder).filePath(fileName);
    }
    std::lock_guard<std::mutex> lock(d->mutex);
    d->filePath = QFileInfo(path).absoluteFilePath();
    d->reopen();
    PrivateFiles::makeFile(d->filePath);
}

void QtLogConf::setLogLevel(const QtMsgType& level)
{
    acceptedTypes.store(typesFrom(level), std::memory_order_relaxed);
}

QString QtLogConf::getLogFilePath() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->filePath;
}

QtMsgType QtLogConf::logLevel() const
{
    // The lowest level that passes; kTypes is in level order.
    for (QtMsgType type : kTypes) {
        if (accepts(type))
            return type;
    }
    return QtFatalMsg;
}

void QtLogConf::write(QtMsgType type, const QString& message)
{
    QByteArray utf8 = message.toUtf8();
    if (utf8.size() > maxLineBytes) {
        // One line must not outgrow the rollover size or crowd out everything else: cut
        // it, at a character boundary, and say how much went.
        int cut = maxLineBytes;
        while (cut > 0 && (quint8(utf8.at(cut)) & 0xC0) == 0x80)
            --cut;
        const int dropped = utf8.size() - cut;
        utf8.truncate(cut);
        utf8 += " [... " + QByteArray::number(dropped) + " bytes cut]";
    }
    d->current()->log(toSpd(type), spdlog::string_view_t(utf8.constData(), static_cast<size_t>(utf8.size())));
}

void QtLogConf::flush()
{
    d->current()->flush();
}
