#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>

#include <memory>

// A private D-Bus session bus for one test process, exported as DBUS_SESSION_BUS_ADDRESS
// for the bus's lifetime (the previous value comes back afterwards).
//
// Without an address, libdbus tries to autolaunch a bus for the X display through
// dbus-launch; a fresh machine has none, and that error path leaks inside libdbus, which
// the sanitizer build reports. So a test never leaves the address unset: when the daemon
// cannot start, the address names a socket that does not exist, and every client sees "no
// bus" at once instead of starting one.
class SessionBus
{
public:
    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    bool isRunning() const { return _daemon && _daemon->state() == QProcess::Running; }
    // The exported address: the private bus's, or the dead one when it did not start.
    QString address() const { return _address; }
    QString errorString() const { return _error; }
    // The daemon's process, for a test that stops it to stand for a hung desktop bus.
    qint64 processId() const { return _daemon ? _daemon->processId() : 0; }

    // The address clients get when a test wants no bus at all.
    static QString noBusAddress();

private:
    bool start();

    std::unique_ptr<QTemporaryFile> _configFile;
    std::unique_ptr<QProcess> _daemon;
    QString _address;
    QString _error;
    QByteArray _previousAddress;
    bool _hadAddress = false;
};
