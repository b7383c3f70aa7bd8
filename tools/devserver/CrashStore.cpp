#include "CrashStore.h"

#include "SqliteDb.h"
#include "SqliteStatement.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <sqlite3.h>

bool CrashStore::open(QString* error)
{
    std::lock_guard<std::mutex> lock(_db.mutex());
    return _db.exec("CREATE TABLE IF NOT EXISTS crash_reports ("
                    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                    " received_at_ms INTEGER NOT NULL,"
                    " fields TEXT NOT NULL,"
                    " file_name TEXT NOT NULL,"
                    " report BLOB NOT NULL);",
                    error);
}

qint64 CrashStore::store(const CrashRecord& r)
{
    QJsonObject fields;
    for (auto it = r.fields.cbegin(); it != r.fields.cend(); ++it)
        fields.insert(it.key(), it.value());
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(),
                      "INSERT INTO crash_reports (received_at_ms, fields, file_name, report) "
                      "VALUES (?1, ?2, ?3, ?4)");
    q.bind(1, QDateTime::currentMSecsSinceEpoch())
        .bind(2, QString::fromUtf8(QJsonDocument(fields).toJson(QJsonDocument::Compact)))
        .bind(3, r.fileName)
        .bindBlob(4, r.report);
    if (!q.exec()) {
        qWarning("CrashStore::store failed: %s", qPrintable(q.errorText()));
        return 0;
    }
    return sqlite3_last_insert_rowid(_db.handle());
}

std::vector<CrashRecord> CrashStore::reports()
{
    std::vector<CrashRecord> out;
    std::lock_guard<std::mutex> lock(_db.mutex());
    SqliteStatement q(_db.handle(),
                      "SELECT id, received_at_ms, fields, file_name, report FROM crash_reports ORDER BY id");
    while (q.next()) {
        CrashRecord r;
        r.id = q.integer(0);
        r.receivedAtMs = q.integer(1);
        const QJsonObject fields = QJsonDocument::fromJson(q.text(2).toUtf8()).object();
        for (auto it = fields.begin(); it != fields.end(); ++it)
            r.fields.insert(it.key(), it.value().toString());
        r.fileName = q.text(3);
        r.report = q.blob(4);
        out.push_back(std::move(r));
    }
    return out;
}
