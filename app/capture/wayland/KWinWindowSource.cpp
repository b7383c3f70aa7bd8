#include "KWinWindowSource.h"

#include "QtLog.h"
#include "WindowTitleText.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>

namespace {

const QString kKWinService = QStringLiteral("org.kde.KWin");
const QString kScriptingPath = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString kScriptInterface = QStringLiteral("org.kde.kwin.Script");
const QString kScriptInPackage = QStringLiteral("/kwin/larkspan-activewindow/contents/code/main.js");
// KWin answers at once; a session whose compositor hangs must not hold up the start.
constexpr int kCallTimeoutMs = 3000;

QDBusMessage callKWin(const QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kKWinService, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeoutMs);
}

bool succeeded(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

ReportedWindow KWinWindowReceiver::current() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _window;
}

void KWinWindowReceiver::report(const QString& pid, const QString& resourceClass, const QString& caption)
{
    ReportedWindow window;
    bool numeric = false;
    const qint64 value = pid.trimmed().toLongLong(&numeric);
    // Anything but a positive number could name some other process, or none.
    window.pid = numeric && value > 0 ? value : 0;
    window.windowClass = resourceClass.left(WindowTitleText::maxLength);
    window.title = WindowTitleText::bounded(caption);
    window.found = window.pid != 0 || !window.windowClass.isEmpty() || !window.title.isEmpty();
    std::lock_guard<std::mutex> lock(_mutex);
    _window = std::move(window);
}

KWinWindowSource::KWinWindowSource(const QDBusConnection& bus)
    : _bus(bus), _receiver(std::make_unique<KWinWindowReceiver>())
{}

bool KWinWindowSource::kwinAnswers(const QDBusConnection& bus)
{
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kKWinService);
}

std::unique_ptr<KWinWindowSource> KWinWindowSource::start(const QDBusConnection& bus, const QString& scriptPath)
{
    if (!kwinAnswers(bus))
        return nullptr;
    if (scriptPath.isEmpty()) {
        LK_WARNING() << "KWinWindowSource - KWin answers, but Larkspan's KWin script is not installed";
        return nullptr;
    }
    std::unique_ptr<KWinWindowSource> source(new KWinWindowSource(bus));
    if (!source->load(scriptPath))
        return nullptr;
    return source;
}

bool KWinWindowSource::load(const QString& scriptPath)
{
    const QString service = QLatin1String(serviceName);
    if (!_bus.registerObject(QLatin1String(objectPath), _receiver.get(), QDBusConnection::ExportScriptableSlots)) {
        LK_WARNING() << "KWinWindowSource - cannot export the object the KWin script reports to";
        return false;
    }
    if (!_bus.registerService(service)) {
        LK_WARNING().noquote() << "KWinWindowSource - the bus name" << service
                               << "is taken:" << _bus.lastError().message();
        unload();
        return false;
    }
    _registered = true;
    const QString plugin = QLatin1String(pluginName);
    // A program that ended without unloading leaves its script in KWin, reporting to a
    // name nobody held; the newest copy replaces it.
    const QDBusMessage loaded =
        callKWin(_bus, kScriptingPath, kScriptingInterface, QStringLiteral("isScriptLoaded"), {plugin});
    if (succeeded(loaded) && loaded.arguments().value(0).toBool())
        callKWin(_bus, kScriptingPath, kScriptingInterface, QStringLiteral("unloadScript"), {plugin});
    const QDBusMessage reply =
        callKWin(_bus, kScriptingPath, kScriptingInterface, QStringLiteral("loadScript"), {scriptPath, plugin});
    const int id = succeeded(reply) ? reply.arguments().value(0).toInt() : -1;
    if (id < 0) {
        LK_WARNING().noquote() << "KWinWindowSource - KWin does not load" << scriptPath << ':'
                               << (succeeded(reply) ? QStringLiteral("refused") : reply.errorMessage());
        unload();
        return false;
    }
    _loaded = true;
    // Plasma 6 places the script under /Scripting, Plasma 5 at the root.
    bool running = false;
    for (const QString& path : {QStringLiteral("/Scripting/Script%1").arg(id), QStringLiteral("/%1").arg(id)}) {
        if (succeeded(callKWin(_bus, path, kScriptInterface, QStringLiteral("run")))) {
            running = true;
            break;
        }
    }
    if (!running) {
        LK_WARNING() << "KWinWindowSource - KWin loaded the script but does not run it";
        unload();
        return false;
    }
    LK_INFO().noquote() << "KWinWindowSource - KWin runs" << scriptPath << "as script" << id;
    return true;
}

void KWinWindowSource::unload()
{
    if (_loaded) {
        _loaded = false;
        const QDBusMessage reply = callKWin(_bus, kScriptingPath, kScriptingInterface, QStringLiteral("unloadScript"),
                                            {QLatin1String(pluginName)});
        if (!succeeded(reply))
            LK_WARNING().noquote() << "KWinWindowSource - cannot unload the KWin script:" << reply.errorMessage();
    }
    if (_registered) {
        _registered = false;
        _bus.unregisterService(QLatin1String(serviceName));
    }
    _bus.unregisterObject(QLatin1String(objectPath));
}

KWinWindowSource::~KWinWindowSource()
{
    unload();
}

QString KWinWindowSource::scriptFile()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    for (const QString& dir :
         {exeDir, QDir::cleanPath(exeDir + QStringLiteral("/" LARKSPAN_DATA_FROM_PROGRAM_DIR "/larkspan"))}) {
        const QFileInfo file(dir + kScriptInPackage);
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return QString();
}
