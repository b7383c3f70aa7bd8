#include "SwaySession.h"

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

SwaySession::SwaySession(const QString& home, const QProcessEnvironment& environment) : _env(environment)
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
    if (!startBus(home))
        return;

    const QString config = home + QStringLiteral("/sway.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        _error = QStringLiteral("cannot write ") + config;
        return;
    }
    file.write("xwayland enable\noutput HEADLESS-1 resolution 1280x800\nfocus_on_window_activation focus\n");
    file.close();
    if (_uid != 0 && ::chown(QFile::encodeName(config).constData(), _uid, static_cast<gid_t>(-1)) != 0) {
        _error = QStringLiteral("cannot give the sway configuration to the user");
        return;
    }

    _sway = std::make_unique<QProcess>();
    _sway->setProcessEnvironment(_env);
    _sway->setWorkingDirectory(home);
    _sway->setStandardOutputFile(home + QStringLiteral("/sway.log"));
    _sway->setStandardErrorFile(home + QStringLiteral("/sway.log"), QIODevice::Append);
    QStringList command = _launcher;
    command << QStringLiteral("sway") << QStringLiteral("-c") << config;
    _sway->start(command.takeFirst(), command);
    if (!_sway->waitForStarted(10000)) {
        _error = QStringLiteral("sway does not start: ") + _sway->errorString();
        return;
    }
    // setpriv runs sway in its own process, so the socket is named after this pid.
    const QString socket = QStringLiteral("%1/sway-ipc.%2.%3.sock").arg(_runtimeDir).arg(_uid == 0 ? getuid() : _uid).arg(_sway->processId());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 15000 && _sway->state() == QProcess::Running) {
        const QStringList displays = QDir(_runtimeDir).entryList({QStringLiteral("wayland-*")}, QDir::System)
                                         .filter(QRegularExpression(QStringLiteral("^wayland-\\d+$")));
        if (QFile::exists(socket) && !displays.isEmpty()) {
            _socket = socket;
            _display = displays.first();
            break;
        }
        QThread::msleep(50);
    }
    if (_socket.isEmpty()) {
        QFile log(home + QStringLiteral("/sway.log"));
        log.open(QIODevice::ReadOnly);
        _error = QStringLiteral("sway did not open its sockets: ") + QString::fromUtf8(log.readAll().right(2000));
        return;
    }
    _env.insert(QStringLiteral("SWAYSOCK"), _socket);
    _env.insert(QStringLiteral("WAYLAND_DISPLAY"), _display);
}

SwaySession::~SwaySession()
{
    if (_sway && _sway->state() != QProcess::NotRunning) {
        swaymsg({QStringLiteral("exit")});
        if (!_sway->waitForFinished(5000)) {
            _sway->kill();
            _sway->waitForFinished(5000);
        }
    }
    if (_bus) {
        _bus->terminate();
        if (!_bus->waitForFinished(5000)) {
            _bus->kill();
            _bus->waitForFinished(2000);
        }
    }
}

bool SwaySession::prepareUser(const QString& home)
{
    if (getuid() != 0)
        return true;
    passwd* user = getpwnam(kUser);
    if (!user) {
        const int created = QProcess::execute(QStringLiteral("useradd"),
            {QStringLiteral("--system"), QStringLiteral("--user-group"), QStringLiteral("--no-create-home"),
             QStringLiteral("--home-dir"), QStringLiteral("/nonexistent"), QStringLiteral("--shell"),
             QStringLiteral("/usr/sbin/nologin"), QLatin1String(kUser)});
        user = getpwnam(kUser);
        if (created != 0 || !user) {
            _error = QStringLiteral("cannot create the user larkspan-wl");
            return false;
        }
    }
    _uid = user->pw_uid;
    const gid_t gid = user->pw_gid;
    _launcher = QStringList {QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(_uid),
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

bool SwaySession::startBus(const QString& home)
{
    const QString address = QStringLiteral("unix:path=") + home + QStringLiteral("/session-bus");
    _bus = std::make_unique<QProcess>();
    _bus->setProcessEnvironment(_env);
    QStringList command = _launcher;
    command << QStringLiteral("dbus-daemon") << QStringLiteral("--session") << QStringLiteral("--nofork")
            << QStringLiteral("--nopidfile") << QStringLiteral("--address=") + address << QStringLiteral("--print-address=1");
    _bus->start(command.takeFirst(), command);
    if (!_bus->waitForStarted(5000) || !_bus->waitForReadyRead(10000)) {
        _error = QStringLiteral("the session bus does not start: ") + QString::fromUtf8(_bus->readAllStandardError());
        return false;
    }
    _env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(_bus->readLine().trimmed()));
    return true;
}

bool SwaySession::isRunning() const
{
    return _sway && _sway->state() == QProcess::Running && !_socket.isEmpty();
}

qint64 SwaySession::compositorPid() const
{
    return _sway ? _sway->processId() : 0;
}

bool SwaySession::runTool(const QString& program, const QStringList& arguments, QByteArray* output) const
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

QByteArray SwaySession::swaymsg(const QStringList& arguments) const
{
    QByteArray output;
    runTool(QStringLiteral("swaymsg"), arguments, &output);
    return output;
}

bool SwaySession::exec(const QString& command) const
{
    return swaymsg({QStringLiteral("exec"), QStringLiteral("--"), command}).contains("\"success\": true");
}

bool SwaySession::type(const QString& text) const
{
    return runTool(QStringLiteral("wtype"), {QStringLiteral("--"), text});
}

QJsonArray SwaySession::windows() const
{
    QJsonArray out;
    const QJsonDocument tree = QJsonDocument::fromJson(swaymsg({QStringLiteral("-t"), QStringLiteral("get_tree")}));
    collectWindows(tree.object(), out);
    return out;
}

QJsonObject SwaySession::window(const QString& appId, const QString& title) const
{
    for (const QJsonValue& value : windows()) {
        const QJsonObject window = value.toObject();
        if ((!appId.isEmpty() && window.value(QLatin1String("app_id")).toString() == appId)
            || (!title.isEmpty() && window.value(QLatin1String("name")).toString() == title))
            return window;
    }
    return {};
}

bool SwaySession::waitForWindow(const QString& appId, const QString& title, int timeoutMs) const
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

bool SwaySession::focus(const QString& criteria) const
{
    return swaymsg({criteria, QStringLiteral("focus")}).contains("\"success\": true");
}

void SwaySession::kill()
{
    if (_sway) {
        ::kill(static_cast<pid_t>(_sway->processId()), SIGKILL);
        _sway->waitForFinished(5000);
    }
}
