#pragma once

#include <QByteArray>

#include <functional>

// Requests no well-behaved client sends, written straight to a socket so that floods and
// bombs are produced on the fly and never held whole in the test's memory.
namespace HostileRequest {

// A gzip member that inflates to `size` zero bytes: about 1 KiB on the wire per MiB.
QByteArray gzipOfZeros(qint64 size);

// A gzip member of `data`.
QByteArray gzip(const QByteArray& data);

// A feedback report whose "log_file_compressed" is the given gzip member.
QByteArray feedbackWithLog(const QByteArray& gzip);

struct Result
{
    int status = 0;          // 0: the server closed or went silent without answering
    qint64 bodySent = 0;     // body bytes the server took before it answered or closed
    qint64 elapsedMs = 0;
    QByteArray response;     // status line, headers and what arrived of the body
};

// Sends `head` as it is (request line and headers, normally ending in a blank line), then
// the pieces that nextPiece() returns until it returns an empty array, as chunks when
// `chunked` is set.
// Stops sending as soon as the server answers or closes.
Result send(quint16 port, const QByteArray& head, const std::function<QByteArray()>& nextPiece,
            bool chunked, int timeoutMs = 60000);

// A connection that has sent `bytes` and stays open until closed with ::close(); -1 when
// it could not connect.
int openConnection(quint16 port, const QByteArray& bytes);
// What the server answers on such a connection within `waitMs` (empty when nothing).
QByteArray answerOn(int fd, int waitMs);

// Pieces of `total` bytes in all, `piece` at a time, cycling through `pattern`.
std::function<QByteArray()> pieces(qint64 total, int piece, const QByteArray& pattern);

// Highest resident set size of a process so far, in KiB (VmHWM); -1 when unknown.
qint64 peakRssKib(qint64 pid);

} // namespace HostileRequest
