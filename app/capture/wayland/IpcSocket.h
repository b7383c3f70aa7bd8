#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// One request and its answer over a compositor's IPC socket. Every step is bounded by the
// same deadline, so a compositor that hangs costs a sample, never the capture thread.
class IpcSocket
{
public:
    using Clock = std::chrono::steady_clock;

    // Connects to the Unix socket at path; isOpen() tells whether it answered in time.
    IpcSocket(const QString& path, Clock::time_point deadline);
    ~IpcSocket();
    IpcSocket(const IpcSocket&) = delete;
    IpcSocket& operator=(const IpcSocket&) = delete;

    bool isOpen() const { return _fd >= 0; }
    bool send(const QByteArray& data);
    // Exactly length bytes.
    bool receive(char* buffer, qint64 length);
    // Everything until the peer closes; false when that takes too long or exceeds maxLength.
    bool receiveUntilClosed(QByteArray& out, qint64 maxLength);

private:
    bool waitFor(short events);

    int _fd = -1;
    const Clock::time_point _deadline;
};
