#include "LarkspanIcons.h"

#include "ProgramResources.h"

#include <QImageReader>
#include <QPixmap>

namespace {

// Our icons are PNG files: decoded by the toolkit's own reader, named as such. Left to
// guess, the reader asks every image plugin installed on the machine whether it can read
// the file, which loads them all with their libraries (about 1.5 MiB resident for a run).
void addPng(QIcon& icon, const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (!image.isNull())
        icon.addPixmap(QPixmap::fromImage(image));
}

} // namespace

namespace LarkspanIcons {

QIcon trayIcon(const QString& state)
{
    initProgramResources();
    QIcon icon;
    addPng(icon, QStringLiteral(":/larkspan_default_%1.png").arg(state));
    for (int size : {16, 22, 24, 48, 64})
        addPng(icon, QStringLiteral(":/icons/%1_%2.png").arg(state).arg(size));
    return icon;
}

QIcon applicationIcon()
{
    initProgramResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        addPng(icon, QStringLiteral(":/icons/larkspan_%1.png").arg(size));
    return icon;
}

} // namespace LarkspanIcons
