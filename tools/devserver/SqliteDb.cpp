#include "SqliteDb.h"

#include <sqlite3.h>

#include <csignal>

namespace {
const char* const kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS users (
  user_id TEXT PRIMARY KEY,
  created_at_ms INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS login_grants (
  client_uuid TEXT PRIMARY KEY,
  user_id TEXT NOT NULL,
  refresh_token TEXT NOT NULL,
  granted_at_ms INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS refresh_tokens (
  token TEXT PRIMARY KEY,
  user_id TEXT NOT NULL,
  created_at_ms INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS access_tokens (
  token TEXT PRIMARY KEY,
  user_id TEXT NOT NULL,
  expires_at_ms INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS activities (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  user_id TEXT NOT NULL,
  client_id INTEGER NOT NULL,
  start_time TEXT NOT NULL,
  end_time TEXT NOT NULL,
  app_name TEXT NOT NULL,
  activity_description TEXT NOT NULL,
  platform TEXT NOT NULL,
  tz_utc_offset INTEGER NOT NULL,
  tz_database_val TEXT NOT NULL,
  machine_address TEXT NOT NULL,
  active_count INTEGER NOT NULL,
  meta_data TEXT NOT NULL,
  received_at_ms INTEGER NOT NULL,
  UNIQUE (user_id, machine_address, client_id, start_time, end_time));
CREATE TABLE IF NOT EXISTS feedback (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  received_at_ms INTEGER NOT NULL,
  uuid TEXT NOT NULL,
  user_message TEXT,
  refresh_token TEXT,
  authorised_user TEXT,
  log BLOB,
  log_compressed_size INTEGER,
  gzip_header BLOB);
)SQL";
}

SqliteDb::~SqliteDb()
{
    sqlite3_close(_db);
}

bool SqliteDb::open(const QString& filePath, QString* error)
{
    // A file-size limit must fail the write (and with it the request), not end the server.
    std::signal(SIGXFSZ, SIG_IGN);
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(filePath.toUtf8().constData(), &_db, flags, nullptr) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(_db));
        return false;
    }
    sqlite3_busy_timeout(_db, 5000);
    std::lock_guard<std::mutex> lock(_mutex);
    return exec("PRAGMA journal_mode=WAL;", error) && exec(kSchema, error);
}

bool SqliteDb::exec(const char* sql, QString* error)
{
    char* message = nullptr;
    if (sqlite3_exec(_db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    if (error)
        *error = QString::fromUtf8(message ? message : "unknown SQLite error");
    sqlite3_free(message);
    return false;
}
