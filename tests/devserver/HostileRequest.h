#pragma once

#include <QByteArray>

#include <functional>

// Requests no well-behaved client sends, written straight to a socket; floods are made
// piece by piece and never held whole in the test's memory.
namespace HostileRequest {

// A gzip member of `size` bytes of `block` repeated (1 GiB of zeros is about 1 MB).
QByteArray gzip(const QByteArray& block, qint64 size);
inline QByteArray gzip(const QByteArray& data)
{
    return gzip(data, data.size());
}
inline QByteArray gzipOfZeros(qint64 size)
{
    return gzip(QByteArray(1 << 20, '\0'), size);
}

// A feedback report whose "log_file_compressed" is the given gzip member.
QByteArray feedbackWithLog(const QByteArray& gzip);

// `total` bytes of `c`, a MiB at a time.
std::function<QByteArray()> pieces(qint64 total, char c);

struct Result {
    int status = 0; // 0: no answer
    qint64 bodySent = 0; // bytes after the head that the server took
    qint64 elapsedMs = 0;
    QByteArray response; // status line and headers
};

// Sends `head` as it is, then what nextPiece() returns until it returns nothing (as chunks
// when `chunked`); stops sending as soon as the server answers.
Result send(quint16 port, const QByteArray& head, const std::function<QByteArray()>& nextPiece, bool chunked,
            int timeoutMs = 60000);

// A connection that has sent `bytes` and stays open until ::close(); -1 when refused.
int openConnection(quint16 port, const QByteArray& bytes);
// The status line and headers the server sends there within `waitMs`.
QByteArray answerOn(int fd, int waitMs);

// Highest resident set size of a process so far, in KiB (VmHWM); -1 when unknown.
qint64 peakRssKib(qint64 pid);

} // namespace HostileRequest
