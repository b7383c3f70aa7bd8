#include "ProcessImageName.h"

#include <QFile>
#include <QFileInfo>

#include <climits>
#include <unistd.h>

QString ProcessImageName::forPid(qint64 pid)
{
    if (pid <= 0)
        return QString();
    const QByteArray link = "/proc/" + QByteArray::number(pid) + "/exe";
    char buffer[PATH_MAX];
    const ssize_t length = readlink(link.constData(), buffer, sizeof(buffer));
    if (length <= 0)
        return QString();

    QString path = QFile::decodeName(QByteArray(buffer, static_cast<int>(length)));
    // The kernel marks an executable that was deleted or replaced (a package upgrade)
    // after the process started; the process is still that program.
    static const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return QFileInfo(path.trimmed()).fileName();
}
