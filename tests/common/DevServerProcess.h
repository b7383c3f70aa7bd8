#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// Runs the reference server (larkspan-devserver from $LARKSPAN_BUILD_DIR/bin) for a test:
// on a free loopback port, with a throw-away data folder that outlives restarts of the
// same object, so a test can stop and start it again over the same database.
//
//     DevServerProcess server;
//     QVERIFY2(server.start({"--login-poll-secs", "1"}), qPrintable(server.errorString()));
//     QNetworkRequest req(server.url("/dev/stats"));
//
// The server's request log goes to the test's standard error.
class DevServerProcess
{
public:
    DevServerProcess();
    ~DevServerProcess();
    DevServerProcess(const DevServerProcess&) = delete;
    DevServerProcess& operator=(const DevServerProcess&) = delete;

    static QString program();
    // Tests use the /dev/* endpoints; on unless a test turns them off before start().
    void setDevEndpoints(bool on) { _devEndpoints = on; }
    // A program and arguments the server is started through, e.g. {"prlimit", "--fsize=N", "--"}.
    void setLauncher(const QStringList& launcher) { _launcher = launcher; }
    qint64 processId() const { return _process ? _process->processId() : 0; }

    // Adds "--port 0", "--crash-port 0" and "--data <folder>" unless the arguments name
    // them; waits for the "listening on" line. False (see errorString) when it did not come in time.
    bool start(const QStringList& extraArgs = {}, int timeoutMs = 15000);
    // SIGTERM, then SIGKILL if it has not ended in time. True when it ended by itself.
    bool stop(int timeoutMs = 10000);
    bool isRunning() const;

    int port() const { return _port; }
    QUrl baseUrl() const { return _baseUrl; }
    // baseUrl followed by pathAndQuery, e.g. url("/dev/activities?user=alice").
    QUrl url(const QString& pathAndQuery) const;
    // Sends a JSON request and waits for the reply; its object, or an empty one.
    static QJsonObject jsonReply(const QByteArray& verb, const QUrl& url, const QByteArray& body = QByteArray());
    // The crash collector's submission URL, e.g. "http://127.0.0.1:40123/".
    QString crashUrl() const { return _crashUrl; }
    QString dataDir() const { return _data.path(); }
    QString errorString() const { return _error; }
    int exitCode() const;
    QProcess::ExitStatus exitStatus() const;

private:
    std::unique_ptr<QProcess> _process;
    QTemporaryDir _data;
    QUrl _baseUrl;
    int _port = 0;
    QString _crashUrl;
    QString _error;
    bool _devEndpoints = true;
    QStringList _launcher;
};
