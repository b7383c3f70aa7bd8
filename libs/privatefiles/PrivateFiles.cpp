#include "PrivateFiles.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PrivateFiles::makeFolder(const QString& path, bool* created)
{
    QDir folder(path);
    const bool made = !folder.exists() && folder.mkpath(QStringLiteral("."));
    if (created)
        *created = made;
    return folder.exists() && ::chmod(QFile::encodeName(path).constData(), 0700) == 0;
}

bool PrivateFiles::makeFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // O_EXCL: a file that is there is left as it is, and only chmod'ed below.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    return ::chmod(name.constData(), 0600) == 0;
}
