#include "DevServerProcess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

DevServerProcess::DevServerProcess() = default;

DevServerProcess::~DevServerProcess()
{
    stop();
}

QString DevServerProcess::program()
{
    return QString::fromLocal8Bit(qgetenv("LARKSPAN_BUILD_DIR")) + QStringLiteral("/bin/larkspan-devserver");
}

bool DevServerProcess::start(const QStringList& extraArgs, int timeoutMs)
{
    stop();
    _error.clear();
    _port = 0;
    _baseUrl.clear();
    _crashUrl.clear();
    if (!_data.isValid()) {
        _error = QStringLiteral("no temporary data folder");
        return false;
    }
    QStringList args = extraArgs;
    if (!args.contains(QStringLiteral("--port")))
        args << QStringLiteral("--port") << QStringLiteral("0");
    if (!args.contains(QStringLiteral("--crash-port")))
        args << QStringLiteral("--crash-port") << QStringLiteral("0");
    if (!args.contains(QStringLiteral("--data")))
        args << QStringLiteral("--data") << _data.path();
    if (_devEndpoints)
        args << QStringLiteral("--dev-endpoints");

    _process = std::make_unique<QProcess>();
    _process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (_launcher.isEmpty())
        _process->start(program(), args);
    else
        _process->start(_launcher.first(), _launcher.mid(1) + QStringList {program()} + args);
    if (!_process->waitForStarted(timeoutMs)) {
        _error = QStringLiteral("cannot start %1: %2").arg(program(), _process->errorString());
        return false;
    }

    static const QRegularExpression line(QStringLiteral("^listening on (https?://[^\\s:/]+:(\\d+))\\s*$"));
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!deadline.hasExpired()) {
        if (!_process->canReadLine() && !_process->waitForReadyRead(int(deadline.remainingTime()))) {
            if (_process->state() == QProcess::NotRunning)
                break;
            continue;
        }
        while (_process->canReadLine()) {
            const QString text = QString::fromUtf8(_process->readLine());
            output += text.toUtf8();
            static const QRegularExpression crashLine(
                QStringLiteral("^crash collector listening on (http://\\S+)\\s*$"));
            const auto crash = crashLine.match(text);
            if (crash.hasMatch())
                _crashUrl = crash.captured(1);
            const auto m = line.match(text);
            if (m.hasMatch()) {
                _baseUrl = QUrl(m.captured(1));
                _port = m.captured(2).toInt();
                return true;
            }
        }
    }
    _error = QStringLiteral("no \"listening on\" line from %1 (state %2, exit code %3); output: %4")
                 .arg(program())
                 .arg(int(_process->state()))
                 .arg(_process->exitCode())
                 .arg(QString::fromUtf8(output));
    stop();
    return false;
}

bool DevServerProcess::stop(int timeoutMs)
{
    if (!_process || _process->state() == QProcess::NotRunning)
        return true;
    _process->terminate();
    if (_process->waitForFinished(timeoutMs))
        return true;
    _process->kill();
    _process->waitForFinished(5000);
    return false;
}

bool DevServerProcess::isRunning() const
{
    return _process && _process->state() != QProcess::NotRunning;
}

QUrl DevServerProcess::url(const QString& pathAndQuery) const
{
    return QUrl(_baseUrl.toString() + pathAndQuery);
}

int DevServerProcess::exitCode() const
{
    return _process ? _process->exitCode() : -1;
}

QProcess::ExitStatus DevServerProcess::exitStatus() const
{
    return _process ? _process->exitStatus() : QProcess::CrashExit;
}

QJsonObject DevServerProcess::jsonReply(const QByteArray& verb, const QUrl& url, const QByteArray& body)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    QNetworkReply* reply = manager.sendCustomRequest(request, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonObject json = QJsonDocument::fromJson(reply->readAll()).object();
    delete reply;
    return json;
}
