#include "GnomeShellFocus.h"

#include "QtLog.h"
#include "WindowTitleText.h"

#include <QDBusMessage>

const QString GnomeShellFocus::service = QStringLiteral("org.gnome.Shell");
const QString GnomeShellFocus::path = QStringLiteral("/com/corvane/Larkspan/FocusedWindow");
const QString GnomeShellFocus::interface = QStringLiteral("com.corvane.Larkspan.FocusedWindow");

GnomeShellFocus::GnomeShellFocus(const QDBusConnection& bus, Missing missing, QObject* parent)
    : QObject(parent), _bus(bus), _missing(std::move(missing))
{}

void GnomeShellFocus::start()
{
    // Only the shell may say which window is in front: any other sender is not heard.
    _subscribed = _bus.connect(service, path, interface, QStringLiteral("Changed"), this,
                               SLOT(onChanged(uint, QString, QString)));
    if (!_subscribed)
        LK_WARNING().noquote() << "GnomeShellFocus - cannot subscribe to the extension:" << _bus.lastError().message();
    const QDBusMessage reply = _bus.call(
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Get")), QDBus::Block, callTimeoutMs);
    const QList<QVariant> values = reply.arguments();
    if (reply.type() == QDBusMessage::ReplyMessage && values.size() == 3) {
        store(values.at(0).toUInt(), values.at(1).toString(), values.at(2).toString());
        LK_INFO() << "GnomeShellFocus - the GNOME Shell extension" << LARKSPAN_GNOME_SHELL_EXTENSION_UUID
                  << "reports the focused window";
        return;
    }
    LK_WARNING().noquote() << "GnomeShellFocus - the GNOME Shell extension" << LARKSPAN_GNOME_SHELL_EXTENSION_UUID
                           << "does not answer (" + reply.errorMessage()
            + "): windows are recorded as unknown until it is enabled";
    if (_missing)
        _missing();
}

void GnomeShellFocus::stop()
{
    if (_subscribed)
        _bus.disconnect(service, path, interface, QStringLiteral("Changed"), this,
                        SLOT(onChanged(uint, QString, QString)));
    _subscribed = false;
}

void GnomeShellFocus::onChanged(uint pid, const QString& wmClass, const QString& title)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(_mutex);
        first = !_answered;
    }
    if (first)
        LK_INFO() << "GnomeShellFocus - the GNOME Shell extension" << LARKSPAN_GNOME_SHELL_EXTENSION_UUID
                  << "reports the focused window";
    store(pid, wmClass, title);
}

void GnomeShellFocus::store(uint pid, const QString& wmClass, const QString& title)
{
    ReportedWindow window;
    window.pid = pid;
    window.windowClass = wmClass;
    window.title = WindowTitleText::bounded(title);
    // The extension says "nothing in front" with an empty record (and when it is disabled).
    window.found = pid != 0 || !wmClass.isEmpty() || !title.isEmpty();
    std::lock_guard<std::mutex> lock(_mutex);
    _window = std::move(window);
    _answered = true;
}

ReportedWindow GnomeShellFocus::focusedWindow() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _window;
}

bool GnomeShellFocus::extensionAnswered() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _answered;
}
