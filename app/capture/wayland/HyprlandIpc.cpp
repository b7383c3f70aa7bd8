#include "HyprlandIpc.h"

#include "IpcSocket.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The answer describes one window: a few kilobytes at most.
constexpr qint64 kMaxReply = qint64(1024) * 1024;

} // namespace

QString HyprlandIpc::socketPath()
{
    const QString instance = qEnvironmentVariable("HYPRLAND_INSTANCE_SIGNATURE");
    // The signature names a folder: nothing that could lead out of it.
    if (instance.isEmpty() || instance.contains(QLatin1Char('/')) || instance.startsWith(QLatin1Char('.')))
        return QString();
    const QString tail = QStringLiteral("/hypr/") + instance + QStringLiteral("/.socket.sock");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString current = runtime.isEmpty() ? QString() : runtime + tail;
    if (!current.isEmpty() && QFileInfo::exists(current))
        return current;
    const QString older = QStringLiteral("/tmp") + tail;
    if (QFileInfo::exists(older))
        return older;
    return current;
}

HyprlandIpc::ActiveWindow HyprlandIpc::parse(const QByteArray& reply)
{
    ActiveWindow out;
    const QJsonDocument document = QJsonDocument::fromJson(reply);
    if (!document.isObject())
        return out;
    const QJsonObject window = document.object();
    out.pid = window.value(QLatin1String("pid")).toVariant().toLongLong();
    out.windowClass = window.value(QLatin1String("class")).toString();
    out.initialClass = window.value(QLatin1String("initialClass")).toString();
    out.title = window.value(QLatin1String("title")).toString();
    out.found = out.pid > 0;
    return out;
}

HyprlandIpc::ActiveWindow HyprlandIpc::activeWindow(const QString& socketPath, int timeoutMs)
{
    IpcSocket socket(socketPath, IpcSocket::Clock::now() + std::chrono::milliseconds(timeoutMs));
    // Hyprland answers one request per connection and closes it after the answer.
    QByteArray reply;
    if (!socket.isOpen() || !socket.send(QByteArrayLiteral("j/activewindow"))
        || !socket.receiveUntilClosed(reply, kMaxReply))
        return {};
    return parse(reply);
}
