// Types into a GNOME session the way a remote desktop client does, through Mutter's
// remote-desktop API on the session bus: the only input a headless GNOME Shell takes.
//
// Runs as the session's user (the session bus admits no other) and keeps its remote-desktop
// session for its whole life, which Mutter ends with the client's connection. Reads one
// keysym per line on standard input (decimal or 0x-hex), presses and releases it, and
// answers "ok" or "error <message>" on a line of its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QTextStream>

#include <cstdio>

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");

QDBusMessage sessionCall(const QString& session, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, session, kService + QStringLiteral(".Session"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QDBusMessage create = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
                                                         kService, QStringLiteral("CreateSession"));
    const QDBusReply<QDBusObjectPath> session = QDBusConnection::sessionBus().call(create, QDBus::Block, 5000);
    if (!session.isValid()) {
        out << "error " << session.error().message() << Qt::endl;
        return 1;
    }
    const QString path = session.value().path();
    const QDBusMessage started = sessionCall(path, QStringLiteral("Start"));
    if (started.type() == QDBusMessage::ErrorMessage) {
        out << "error " << started.errorMessage() << Qt::endl;
        return 1;
    }
    out << "ready" << Qt::endl;
    QTextStream in(stdin);
    QString line;
    while (in.readLineInto(&line)) {
        bool ok = false;
        const uint keysym = line.trimmed().toUInt(&ok, 0);
        if (!ok) {
            out << "error not a keysym: " << line << Qt::endl;
            continue;
        }
        QString error;
        for (bool pressed : {true, false}) {
            const QDBusMessage reply = sessionCall(path, QStringLiteral("NotifyKeyboardKeysym"), {keysym, pressed});
            if (reply.type() == QDBusMessage::ErrorMessage)
                error = reply.errorMessage();
        }
        out << (error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error ") + error) << Qt::endl;
    }
    sessionCall(path, QStringLiteral("Stop"));
    return 0;
}
