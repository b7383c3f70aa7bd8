#pragma once

#include <QString>

// Keeps tokens, window titles and tracked time to the user: folders 0700 and files 0600,
// whatever the umask of the process, and tightened when an earlier version or another
// program left them open to others.
class PrivateFiles
{
public:
    // Creates the folder with any missing parents, then makes it 0700. True when it
    // exists and is private; *created says whether this call made it.
    static bool makeFolder(const QString& path, bool* created = nullptr);
    // Creates the file empty when missing, never readable by others even for a moment,
    // then makes it 0600; an existing file keeps its content. True when it exists and is
    // private.
    static bool makeFile(const QString& path);

private:
    PrivateFiles() = delete;
};
