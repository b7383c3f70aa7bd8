#pragma once

#include "DatabaseManager.h"

#include <QtLog.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>

#include <memory>

namespace CoreTest {

// The manager's constructor is reserved for instance(); tests build their own so they can
// start a "new run" on the same file.
class Manager : public DatabaseManager
{
public:
    explicit Manager(const QString& fileName = QStringLiteral("larkspan.db")) : DatabaseManager(fileName) {}
};

inline void useApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspan"));
    QtLog::getConf().setLogLevel(QtWarningMsg);
}

inline QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

inline QString dbPath(const QString& fileName = QStringLiteral("larkspan.db"))
{
    return dataFolder() + QLatin1Char('/') + fileName;
}

// Each test case starts without settings and without database files.
inline void resetHome()
{
    QSettings().clear();
    QSettings().sync();
    QDir(dataFolder()).removeRecursively();
}

// The connection the live manager keeps for the file; usable from the creating thread.
inline QSqlDatabase disk()
{
    return QSqlDatabase::database(QStringLiteral("disk_db_connection"), false);
}

inline QSqlDatabase memory()
{
    return QSqlDatabase::database(QStringLiteral("memory_db_connection"), false);
}

inline void execOrFail(QSqlDatabase db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        qFatal("setup statement failed: %s", qPrintable(sql));
}

inline int countRows(QSqlDatabase db, const QString& table)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) || !query.next())
        return -1;
    return query.value(0).toInt();
}

// Collects the messages of one type that match a pattern while it lives, and passes every
// message on to the previous handler. Catchers may be nested; each sees every message.
class MessageCatcher
{
public:
    MessageCatcher(QtMsgType type, const QString& pattern) : _type(type), _pattern(pattern), _outer(current())
    {
        current() = this;
        _previous = qInstallMessageHandler(&MessageCatcher::handle);
    }
    ~MessageCatcher()
    {
        qInstallMessageHandler(_previous);
        current() = _outer;
    }
    QStringList lines() const
    {
        QMutexLocker locker(&_mutex);
        return _lines;
    }

private:
    static MessageCatcher*& current()
    {
        static MessageCatcher* catcher = nullptr;
        return catcher;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        MessageCatcher* self = current();
        if (!self)
            return;
        for (; self; self = self->_outer) {
            if (type == self->_type && self->_pattern.match(text).hasMatch()) {
                QMutexLocker locker(&self->_mutex);
                self->_lines << text;
            }
            if (!self->_outer && self->_previous)
                self->_previous(type, context, text);
        }
    }

    QtMsgType _type;
    QRegularExpression _pattern;
    MessageCatcher* _outer;
    QtMessageHandler _previous = nullptr;
    mutable QMutex _mutex;
    QStringList _lines;
};

} // namespace CoreTest
