#include "XvfbSession.h"

#include "SessionBus.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int startTimeoutMs = 10000;

// Reads the display number Xvfb writes to the pipe once it accepts connections.
QString readDisplayNumber(int fd, int timeoutMs)
{
    QByteArray text;
    const QDeadlineTimer deadline(timeoutMs);
    while (!text.contains('\n')) {
        pollfd pfd {fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, static_cast<int>(qMax<qint64>(0, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return QString();
        char buffer[32];
        const ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count <= 0)
            return QString();
        text.append(buffer, static_cast<int>(count));
    }
    return QStringLiteral(":") + QString::fromLatin1(text.trimmed());
}

} // namespace

XvfbSession::XvfbSession(WindowManager windowManager, const QSize& screen)
{
    _hadDisplay = qEnvironmentVariableIsSet("DISPLAY");
    _previousDisplay = qgetenv("DISPLAY");
    _bus = std::make_unique<SessionBus>();
    if (!startXvfb(screen))
        return;
    qputenv("DISPLAY", _display.toLatin1());
    if (windowManager == WindowManager::Openbox)
        startOpenbox();
}

XvfbSession::~XvfbSession()
{
    stopProcess(_trayer.get());
    stopProcess(_openbox.get());
    stopProcess(_xvfb.get());
    _bus.reset();
    if (_reservation >= 0)
        close(_reservation);
    if (_hadDisplay)
        qputenv("DISPLAY", _previousDisplay);
    else
        qunsetenv("DISPLAY");
}

bool XvfbSession::startXvfb(const QSize& screen)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        _error = QStringLiteral("cannot create a pipe for -displayfd");
        return false;
    }
    // Only the write end may reach the child; QProcess children inherit every
    // descriptor without close-on-exec.
    fcntl(fds[1], F_SETFD, 0);

    _xvfb = std::make_unique<QProcess>();
    _xvfb->setStandardOutputFile(QProcess::nullDevice());
    _xvfb->setStandardErrorFile(QProcess::nullDevice());
    _xvfb->start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QString::number(fds[1]), QStringLiteral("-noreset"),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height())});
    const bool started = _xvfb->waitForStarted(startTimeoutMs);
    close(fds[1]);
    if (started)
        _display = readDisplayNumber(fds[0], startTimeoutMs);
    close(fds[0]);

    if (!started || _display.isEmpty()) {
        _error = started ? QStringLiteral("Xvfb did not report a display") : QStringLiteral("Xvfb did not start");
        stopProcess(_xvfb.get());
        _xvfb.reset();
        _display.clear();
        return false;
    }
    return true;
}

bool XvfbSession::startOpenbox()
{
    // openbox runs its --startup command once it manages windows. Its EWMH check window
    // appears earlier, while a map request can still be lost, so that is no signal.
    _markerDir = std::make_unique<QTemporaryDir>();
    const QString marker = _markerDir->filePath(QStringLiteral("openbox-ready"));
    _openbox = std::make_unique<QProcess>();
    _openbox->setStandardOutputFile(QProcess::nullDevice());
    _openbox->setStandardErrorFile(QProcess::nullDevice());
    _openbox->start(
        QStringLiteral("openbox"),
        {QStringLiteral("--sm-disable"), QStringLiteral("--startup"), QStringLiteral("touch '%1'").arg(marker)});
    if (!_markerDir->isValid() || !_openbox->waitForStarted(startTimeoutMs) || !waitForFile(marker, startTimeoutMs)) {
        _error = QStringLiteral("openbox did not start");
        return false;
    }
    return true;
}

bool XvfbSession::waitForFile(const QString& path, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!QFile::exists(path)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

int XvfbSession::run(const QString& program, const QStringList& arguments, int timeoutMs, QByteArray* output) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), _display);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        stopProcess(&process);
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool XvfbSession::xdotool(const QStringList& arguments) const
{
    return run(QStringLiteral("xdotool"), arguments) == 0;
}

bool XvfbSession::startTray()
{
    _trayer = std::make_unique<QProcess>();
    _trayer->setStandardOutputFile(QProcess::nullDevice());
    _trayer->setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), _display);
    _trayer->setProcessEnvironment(environment);
    _trayer->start(QStringLiteral("trayer"),
                   {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                    QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                    QStringLiteral("24"), QStringLiteral("--SetDockType"), QStringLiteral("true")});
    if (!_trayer->waitForStarted(startTimeoutMs))
        return false;
    const QDeadlineTimer deadline(startTimeoutMs);
    while (!deadline.hasExpired() && _trayer->state() == QProcess::Running) {
        if (xdotool({QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")}))
            return true;
        QThread::msleep(100);
    }
    return false;
}

QRect XvfbSession::trayPanel() const
{
    QByteArray tree;
    run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, 5000, &tree);
    static const QRegularExpression panel(
        QStringLiteral("\"panel\": \\(\"panel\" \"trayer\"\\)\\s+(\\d+)x(\\d+)\\S*\\s+\\+(-?\\d+)\\+(-?\\d+)"));
    const auto m = panel.match(QString::fromUtf8(tree));
    if (!m.hasMatch())
        return QRect();
    return QRect(m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
}

QString XvfbSession::windowId(const QString& titlePattern) const
{
    QByteArray ids;
    run(QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern}, 5000,
        &ids);
    return QString::fromLatin1(ids.trimmed().split('\n').first());
}

QList<QRect> XvfbSession::shownWindows(const QString& classPattern) const
{
    QByteArray ids;
    run(QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"), classPattern}, 5000,
        &ids);
    QList<QRect> windows;
    for (const QByteArray& id : ids.trimmed().split('\n')) {
        QByteArray geometry;
        if (id.isEmpty()
            || run(QStringLiteral("xdotool"),
                   {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::fromLatin1(id)}, 5000,
                   &geometry)
                != 0)
            continue;
        const QRect rect = parseGeometry(geometry);
        if (!rect.isEmpty())
            windows << rect;
    }
    return windows;
}

QRect XvfbSession::parseGeometry(const QByteArray& shellOutput)
{
    QMap<QString, int> value;
    for (const QString& line : QString::fromLatin1(shellOutput).split(QLatin1Char('\n')))
        value[line.section(QLatin1Char('='), 0, 0)] = line.section(QLatin1Char('='), 1).toInt();
    return QRect(value.value(QStringLiteral("X")), value.value(QStringLiteral("Y")),
                 value.value(QStringLiteral("WIDTH")), value.value(QStringLiteral("HEIGHT")));
}

bool XvfbSession::closeWindow(const QString& titlePattern) const
{
    const QString id = windowId(titlePattern);
    return !id.isEmpty()
        && xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id, QStringLiteral("key"),
                    QStringLiteral("alt+F4")});
}

void XvfbSession::killServer()
{
    if (_xvfb && _xvfb->state() != QProcess::NotRunning) {
        _xvfb->kill();
        _xvfb->waitForFinished(5000);
        reserveDisplay();
    }
}

void XvfbSession::reserveDisplay()
{
    // The next X server to start anywhere on the machine (a parallel test's) would take the
    // freed number and answer where the test expects no server. X servers pass over a number
    // whose abstract socket is bound; bound but not listening, it refuses every client.
    const QByteArray name = "/tmp/.X11-unix/X" + _display.mid(1).toLatin1();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (name.size() + 1 > int(sizeof(address.sun_path)))
        return;
    memcpy(address.sun_path + 1, name.constData(), size_t(name.size())); // sun_path[0] = 0: abstract
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0)
        _reservation = fd;
    else
        close(fd);
}

void XvfbSession::stopProcess(QProcess* process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}
