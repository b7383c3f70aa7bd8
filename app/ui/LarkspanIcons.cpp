#include "LarkspanIcons.h"

// Resources of a static library must be registered by hand, outside any namespace.
static void initIconResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

namespace LarkspanIcons {

QIcon trayIcon(const QString& state)
{
    initIconResources();
    QIcon icon(QStringLiteral(":/larkspan_default_%1.png").arg(state));
    for (int size : {16, 22, 24, 48, 64})
        icon.addFile(QStringLiteral(":/icons/%1_%2.png").arg(state).arg(size), QSize(size, size));
    return icon;
}

QIcon applicationIcon()
{
    initIconResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/larkspan_%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace LarkspanIcons
