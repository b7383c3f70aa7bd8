#pragma once

#include "DatabaseManager.h"
#include "DateTimeUtils.h"
#include "TimeLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTextStream>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace Bench {

class Manager : public DatabaseManager
{
public:
    Manager() : DatabaseManager(QStringLiteral("larkspan.db")) {}
};

inline void useApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspan"));
}

inline QString dbPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return folder + QStringLiteral("/larkspan.db");
}

// Writes signed logs straight into a file, as a month offline would leave it.
inline void fillLogFile(int count)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(dbPath());
        db.open();
        QSqlQuery query(db);
        query.exec(QStringLiteral("DROP TABLE IF EXISTS time_logs"));
        query.exec(QStringLiteral(
            "CREATE TABLE time_logs (id INTEGER PRIMARY KEY AUTOINCREMENT, start_time VARCHAR NOT NULL, "
            "end_time VARCHAR NOT NULL, app_name VARCHAR NOT NULL, window_title VARCHAR NOT NULL, platform "
            "VARCHAR NOT NULL, mac_address VARCHAR NOT NULL, active_count INTEGER NOT NULL, meta_data VARCHAR "
            "NOT NULL, sig VARCHAR NOT NULL)"));
        db.transaction();
        query.prepare(QStringLiteral("INSERT INTO time_logs (start_time, end_time, app_name, window_title, platform, "
                                     "mac_address, active_count, meta_data, sig) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        const QDateTime base(QDate(2020, 5, 1), QTime(0, 0), Qt::UTC);
        for (int i = 0; i < count; ++i) {
            TimeLog log;
            log.setStartTime(base.addSecs(60 * i));
            log.setEndTime(base.addSecs(60 * i + 55));
            log.setAppName(QStringLiteral("app%1").arg(i % 40));
            log.setWindowTitle(QStringLiteral("Some document title number %1 - Editor").arg(i));
            log.setMacAddress(QStringLiteral("00:11:22:33:44:55"));
            log.setActiveCount(18);
            log.setMetaData(QStringLiteral("@_empty_@"));
            log.setSignature(TimeLog::buildSignature(log));
            for (const QVariant& value :
                 {QVariant(log.startTimeStr()), QVariant(log.endTimeStr()), QVariant(log.appName()),
                  QVariant(log.windowTitle()), QVariant(log.platform()), QVariant(log.macAddress()),
                  QVariant(log.activeCount()), QVariant(log.metaData()), QVariant(log.signature())})
                query.addBindValue(value);
            query.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline void report(const QString& name, const std::vector<double>& millis)
{
    QTextStream(stdout) << name << ": median " << QString::number(median(millis), 'f', 2) << " ms, min "
                        << QString::number(*std::min_element(millis.begin(), millis.end()), 'f', 2) << " ms over "
                        << millis.size() << " runs\n";
}

} // namespace Bench
