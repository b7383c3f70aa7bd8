// Runs the start-up carry-over on a database file and dies abruptly, like a crash or power
// cut, once the given number of rows has been inserted into the new table.
#include "TimeLogDao.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <cstring>
#include <unistd.h>

namespace {

int insertsLeft = 0;

void onUpdate(void*, int operation, const char*, const char* table, sqlite3_int64)
{
    if (operation == SQLITE_INSERT && std::strcmp(table, "time_logs") == 0 && --insertsLeft <= 0)
        _exit(3);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspan"));
    insertsLeft = QByteArray(argv[2]).toInt();

    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("crash"));
    database.setDatabaseName(QString::fromLocal8Bit(argv[1]));
    if (!database.open())
        return 2;
    const QVariant handle = database.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return 2;
    sqlite3_update_hook(*static_cast<sqlite3* const*>(handle.data()), &onUpdate, nullptr);

    TimeLogDao dao(database);
    dao.init();
    return 0;
}
