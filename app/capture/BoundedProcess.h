#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Runs a helper program whose first output is all we want. Unlike a plain blocking wait,
// the wait for output is bounded and can be cut short, and a child that does not finish
// at once is killed and reaped, so a hung helper can never freeze the calling thread
// (which may be the one delivering the user's input) or outlive shutdown.
class BoundedProcess
{
public:
    // Returns the output available when the first output arrived, decoded as UTF-8, or an
    // empty string when the program cannot start, prints nothing within timeoutMs, or
    // shouldAbort() turns true while waiting (checked every few tens of milliseconds).
    static QString firstOutput(const QString& program, const QStringList& arguments, int timeoutMs,
                               const std::function<bool()>& shouldAbort = {});
};
