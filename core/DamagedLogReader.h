#pragma once

#include "TimeLogDao.h"

#include <QString>

// Reads what can still be read of the time-log table of a damaged database file, read-only,
// at construction. A damaged page fails every query whose scan reaches it, so the reader
// steps past such pages by id and goes on after them: only the rows on the damaged pages
// themselves are lost.
class DamagedLogReader
{
public:
    explicit DamagedLogReader(const QString& file);

    TimeLogDao::TimeLogs& rows() { return _rows; }
    // An upper bound: ids are not dense, since uploaded logs are deleted.
    qint64 unreadable() const { return _unreadable; }
    // Whether the file opened and its table answered at all.
    bool readAtAll() const { return _readAtAll; }

private:
    void readFrom(QSqlDatabase& source);

    TimeLogDao::TimeLogs _rows;
    qint64 _unreadable = 0;
    bool _readAtAll = false;
};
