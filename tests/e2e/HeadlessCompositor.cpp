#include "HeadlessCompositor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace {

const char* const kUser = "larkspan-wl";

void collectWindows(const QJsonObject& node, QJsonArray& out)
{
    const QString type = node.value(QLatin1String("type")).toString();
    if (type == QLatin1String("con") || type == QLatin1String("floating_con")) {
        if (node.value(QLatin1String("nodes")).toArray().isEmpty())
            out.append(node);
    }
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(key)).toArray())
            collectWindows(child.toObject(), out);
    }
}

} // namespace

HeadlessCompositor::HeadlessCompositor(const QString& home, const QProcessEnvironment& environment, Kind kind,
                                       const QByteArray& swayConfig)
    : _kind(kind), _env(environment)
{
    if (!prepareUser(home))
        return;
    _runtimeDir = home;
    _env.insert(QStringLiteral("XDG_RUNTIME_DIR"), _runtimeDir);
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK", "I3SOCK", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        _env.remove(QLatin1String(name));
    _env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    _env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    _env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    _env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    if (!startBus(home, QStringLiteral("session"), _bus))
        return;
    if (_kind == Kind::Gnome) {
        _env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        // A system bus with nothing on it: GNOME Shell asks it for the login manager.
        if (!startBus(home, QStringLiteral("system"), _systemBus))
            return;
    }

    QStringList command = _launcher;
    if (_kind == Kind::Sway) {
        const QString config = home + QStringLiteral("/sway.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            _error = QStringLiteral("cannot write ") + config;
            return;
        }
        file.write("xwayland enable\noutput HEADLESS-1 resolution 1280x800\nfocus_on_window_activation focus\n");
        file.write(swayConfig);
        file.close();
        if (_uid != 0 && ::chown(QFile::encodeName(config).constData(), _uid, static_cast<gid_t>(-1)) != 0) {
            _error = QStringLiteral("cannot give the sway configuration to the user");
            return;
        }
        command << QStringLiteral("sway") << QStringLiteral("-c") << config;
    } else if (_kind == Kind::KWin) {
        const QStringList kwin = prepareKWin(home);
        if (kwin.isEmpty())
            return;
        command << kwin;
    } else if (_kind == Kind::Gnome) {
        command << QStringLiteral("gnome-shell") << QStringLiteral("--headless") << QStringLiteral("--wayland")
                << QStringLiteral("--virtual-monitor") << QStringLiteral("1280x800");
    } else {
        command << QStringLiteral("weston") << QStringLiteral("--backend=headless-backend.so")
                << QStringLiteral("--socket=wayland-1") << QStringLiteral("--shell=kiosk-shell.so");
    }
    _compositor = std::make_unique<QProcess>();
    _compositor->setProcessEnvironment(_env);
    _compositor->setWorkingDirectory(home);
    _compositor->setStandardOutputFile(home + QStringLiteral("/compositor.log"));
    _compositor->setStandardErrorFile(home + QStringLiteral("/compositor.log"), QIODevice::Append);
    _compositor->start(command.takeFirst(), command);
    if (!_compositor->waitForStarted(10000)) {
        _error = QStringLiteral("the compositor does not start: ") + _compositor->errorString();
        return;
    }
    // setpriv runs sway in its own process, so the socket is named after this pid.
    const QString socket = QStringLiteral("%1/sway-ipc.%2.%3.sock")
                               .arg(_runtimeDir)
                               .arg(_uid == 0 ? getuid() : _uid)
                               .arg(_compositor->processId());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 15000 && _compositor->state() == QProcess::Running) {
        const QStringList displays = QDir(_runtimeDir)
                                         .entryList({QStringLiteral("wayland-*")}, QDir::System)
                                         .filter(QRegularExpression(QStringLiteral("^wayland-\\d+$")));
        if ((_kind != Kind::Sway || QFile::exists(socket)) && !displays.isEmpty()) {
            _socket = _kind == Kind::Sway ? socket : QString();
            _display = displays.first();
            break;
        }
        QThread::msleep(50);
    }
    if (_display.isEmpty()) {
        QFile log(home + QStringLiteral("/compositor.log"));
        log.open(QIODevice::ReadOnly);
        _error =
            QStringLiteral("the compositor did not open its sockets: ") + QString::fromUtf8(log.readAll().right(2000));
        return;
    }
    if (_kind == Kind::Sway)
        _env.insert(QStringLiteral("SWAYSOCK"), _socket);
    _env.insert(QStringLiteral("WAYLAND_DISPLAY"), _display);
    if (_kind == Kind::KWin && !readKWinDisplay(home))
        _display.clear();
    // The shell's services come up after its Wayland socket: ready once the shell has its name.
    while (_kind == Kind::Gnome && _compositor->state() == QProcess::Running) {
        QByteArray owned;
        runTool(QStringLiteral("dbus-send"),
                {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                 QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus.NameHasOwner"), QStringLiteral("string:org.gnome.Shell")},
                &owned);
        if (owned.contains("boolean true"))
            return;
        if (timer.elapsed() > 30000)
            break;
        QThread::msleep(200);
    }
    if (_kind == Kind::Gnome) {
        _error = QStringLiteral("GNOME Shell did not take its name on the bus");
        _display.clear();
    }
}

HeadlessCompositor::~HeadlessCompositor()
{
    if (_compositor && _compositor->state() != QProcess::NotRunning) {
        if (_kind == Kind::Sway)
            swaymsg({QStringLiteral("exit")});
        else
            _compositor->terminate();
        if (!_compositor->waitForFinished(5000)) {
            _compositor->kill();
            _compositor->waitForFinished(5000);
        }
    }
    for (QProcess* bus : {_bus.get(), _systemBus.get()}) {
        if (!bus)
            continue;
        bus->terminate();
        if (!bus->waitForFinished(5000)) {
            bus->kill();
            bus->waitForFinished(2000);
        }
    }
}

bool HeadlessCompositor::prepareUser(const QString& home)
{
    if (getuid() != 0)
        return true;
    passwd* user = getpwnam(kUser);
    if (!user) {
        const int created = QProcess::execute(QStringLiteral("useradd"),
                                              {QStringLiteral("--system"), QStringLiteral("--user-group"),
                                               QStringLiteral("--no-create-home"), QStringLiteral("--home-dir"),
                                               QStringLiteral("/nonexistent"), QStringLiteral("--shell"),
                                               QStringLiteral("/usr/sbin/nologin"), QLatin1String(kUser)});
        user = getpwnam(kUser);
        if (created != 0 || !user) {
            _error = QStringLiteral("cannot create the user larkspan-wl");
            return false;
        }
    }
    _uid = user->pw_uid;
    const gid_t gid = user->pw_gid;
    _launcher =
        QStringList {QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(_uid),
                     QStringLiteral("--regid=%1").arg(gid), QStringLiteral("--clear-groups"), QStringLiteral("--")};
    // The home is also the runtime folder: the user's alone.
    const int owned = QProcess::execute(QStringLiteral("chown"),
                                        {QStringLiteral("-R"), QStringLiteral("%1:%2").arg(_uid).arg(gid), home});
    if (owned != 0) {
        _error = QStringLiteral("cannot give the home folder to larkspan-wl");
        return false;
    }
    QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

bool HeadlessCompositor::startBus(const QString& home, const QString& name, std::unique_ptr<QProcess>& bus)
{
    const QString address = QStringLiteral("unix:path=%1/%2-bus").arg(home, name);
    bus = std::make_unique<QProcess>();
    bus->setProcessEnvironment(_env);
    QStringList command = _launcher;
    command << QStringLiteral("dbus-daemon") << QStringLiteral("--session") << QStringLiteral("--nofork")
            << QStringLiteral("--nopidfile") << QStringLiteral("--address=") + address
            << QStringLiteral("--print-address=1");
    bus->start(command.takeFirst(), command);
    if (!bus->waitForStarted(5000) || !bus->waitForReadyRead(10000)) {
        _error =
            QStringLiteral("the %1 bus does not start: ").arg(name) + QString::fromUtf8(bus->readAllStandardError());
        return false;
    }
    _env.insert(QStringLiteral("DBUS_%1_BUS_ADDRESS").arg(name.toUpper()),
                QString::fromUtf8(bus->readLine().trimmed()));
    return true;
}

bool HeadlessCompositor::isRunning() const
{
    return _compositor && _compositor->state() == QProcess::Running && !_display.isEmpty();
}

qint64 HeadlessCompositor::compositorPid() const
{
    return _compositor ? _compositor->processId() : 0;
}

bool HeadlessCompositor::runTool(const QString& program, const QStringList& arguments, QByteArray* output) const
{
    QProcess tool;
    tool.setProcessEnvironment(_env);
    QStringList command = _launcher;
    command << program << arguments;
    tool.start(command.takeFirst(), command);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished(2000);
        return false;
    }
    if (output)
        *output = tool.readAllStandardOutput();
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool HeadlessCompositor::canRun(const QString& program) const
{
    return runTool(QStringLiteral("test"), {QStringLiteral("-x"), program});
}

QByteArray HeadlessCompositor::swaymsg(const QStringList& arguments) const
{
    QByteArray output;
    runTool(QStringLiteral("swaymsg"), arguments, &output);
    return output;
}

bool HeadlessCompositor::exec(const QString& command) const
{
    if (_kind != Kind::Sway) {
        QProcess program;
        program.setProcessEnvironment(_env);
        QStringList line = _launcher;
        line << QStringLiteral("sh") << QStringLiteral("-c") << command;
        program.setProgram(line.takeFirst());
        program.setArguments(line);
        // Its output goes with the compositor's, not into the test's.
        program.setStandardOutputFile(_runtimeDir + QStringLiteral("/compositor.log"), QIODevice::Append);
        program.setStandardErrorFile(_runtimeDir + QStringLiteral("/compositor.log"), QIODevice::Append);
        return program.startDetached();
    }
    return swaymsg({QStringLiteral("exec"), QStringLiteral("--"), command}).contains("\"success\": true");
}

bool HeadlessCompositor::type(const QString& text) const
{
    if (_kind == Kind::KWin)
        return runTool(_fakeKeys, {QString::number(text.size())});
    return runTool(QStringLiteral("wtype"), {QStringLiteral("--"), text});
}

QJsonArray HeadlessCompositor::windows() const
{
    QJsonArray out;
    const QJsonDocument tree = QJsonDocument::fromJson(swaymsg({QStringLiteral("-t"), QStringLiteral("get_tree")}));
    collectWindows(tree.object(), out);
    return out;
}

QJsonObject HeadlessCompositor::window(const QString& appId, const QString& title) const
{
    for (const QJsonValue& value : windows()) {
        const QJsonObject window = value.toObject();
        if ((!appId.isEmpty() && window.value(QLatin1String("app_id")).toString() == appId)
            || (!title.isEmpty() && window.value(QLatin1String("name")).toString() == title))
            return window;
    }
    return {};
}

bool HeadlessCompositor::waitForWindow(const QString& appId, const QString& title, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (!window(appId, title).isEmpty())
            return true;
        QThread::msleep(100);
    }
    return false;
}

bool HeadlessCompositor::statusNotifierItems(QStringList* items) const
{
    QByteArray output;
    if (!runTool(QStringLiteral("dbus-send"),
                 {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                  QStringLiteral("--dest=org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
                  QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                  QStringLiteral("string:org.kde.StatusNotifierWatcher"),
                  QStringLiteral("string:RegisteredStatusNotifierItems")},
                 &output))
        return false;
    items->clear();
    const QRegularExpression item(QStringLiteral("string \"([^\"]*)\""));
    for (auto match = item.globalMatch(QString::fromUtf8(output)); match.hasNext();)
        *items << match.next().captured(1);
    return true;
}

bool HeadlessCompositor::focus(const QString& criteria) const
{
    return swaymsg({criteria, QStringLiteral("focus")}).contains("\"success\": true");
}

void HeadlessCompositor::kill()
{
    if (_compositor) {
        ::kill(static_cast<pid_t>(_compositor->processId()), SIGKILL);
        _compositor->waitForFinished(5000);
    }
}
