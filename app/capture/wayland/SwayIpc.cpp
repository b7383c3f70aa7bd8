#include "SwayIpc.h"

#include "IpcSocket.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstring>

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicLength = 6;
constexpr int kHeaderLength = kMagicLength + 8;
constexpr quint32 kGetTree = 4;
// A tree is a few kilobytes per window; anything far beyond is not an answer to trust.
constexpr quint32 kMaxReply = 16 * 1024 * 1024;

bool findFocused(const QJsonObject& node, SwayIpc::FocusedWindow& out)
{
    if (node.value(QLatin1String("focused")).toBool()) {
        // Workspaces and outputs take the focus too when they are empty: not a window.
        const QString type = node.value(QLatin1String("type")).toString();
        if (type != QLatin1String("con") && type != QLatin1String("floating_con"))
            return true;
        out.found = true;
        out.pid = node.value(QLatin1String("pid")).toVariant().toLongLong();
        out.appId = node.value(QLatin1String("app_id")).toString();
        out.windowClass =
            node.value(QLatin1String("window_properties")).toObject().value(QLatin1String("class")).toString();
        out.name = node.value(QLatin1String("name")).toString();
        return true;
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        const QJsonArray children = node.value(QLatin1String(key)).toArray();
        for (const QJsonValue& child : children) {
            if (findFocused(child.toObject(), out))
                return true;
        }
    }
    return false;
}

} // namespace

QString SwayIpc::socketPath()
{
    const QString sway = qEnvironmentVariable("SWAYSOCK");
    return sway.isEmpty() ? qEnvironmentVariable("I3SOCK") : sway;
}

SwayIpc::FocusedWindow SwayIpc::focusedIn(const QByteArray& treeJson)
{
    FocusedWindow out;
    const QJsonDocument document = QJsonDocument::fromJson(treeJson);
    if (document.isObject())
        findFocused(document.object(), out);
    return out;
}

SwayIpc::FocusedWindow SwayIpc::focusedWindow(const QString& socketPath, int timeoutMs)
{
    IpcSocket socket(socketPath, IpcSocket::Clock::now() + std::chrono::milliseconds(timeoutMs));
    if (!socket.isOpen())
        return {};

    // Magic, payload length and message type, in the machine's byte order.
    QByteArray request(kMagic, kMagicLength);
    const quint32 header[2] = {0, kGetTree};
    request.append(reinterpret_cast<const char*>(header), sizeof(header));
    if (!socket.send(request))
        return {};

    char replyHeader[kHeaderLength];
    if (!socket.receive(replyHeader, kHeaderLength) || memcmp(replyHeader, kMagic, kMagicLength) != 0)
        return {};
    quint32 length = 0;
    quint32 type = 0;
    memcpy(&length, replyHeader + kMagicLength, sizeof(length));
    memcpy(&type, replyHeader + kMagicLength + 4, sizeof(type));
    if (type != kGetTree || length > kMaxReply)
        return {};
    QByteArray payload(static_cast<int>(length), Qt::Uninitialized);
    if (!socket.receive(payload.data(), length))
        return {};
    return focusedIn(payload);
}
