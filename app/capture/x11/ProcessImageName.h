#pragma once

#include <QString>

// The file name of the executable a process runs, read from /proc/<pid>/exe.
class ProcessImageName
{
public:
    // Empty when the process is gone or belongs to another user (the link cannot be read
    // without the right to trace it). An executable replaced or removed since it started
    // still gives its name.
    static QString forPid(qint64 pid);

private:
    ProcessImageName() = delete;
};
