#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// One GET for the updater, held in memory: refused before any connection unless the address
// is https (plain http only to this machine, where the development server runs), redirects
// held to the same rule, cut off beyond maxBytes, aborted when nothing arrives for
// idleTimeoutMs. finished() comes exactly once, never from inside start().
class BoundedDownload : public QObject
{
    Q_OBJECT
public:
    BoundedDownload(QNetworkAccessManager* nam, const QUrl& url, qint64 maxBytes, int idleTimeoutMs,
                    QObject* parent = nullptr);
    ~BoundedDownload() override;

    static bool isAllowedUrl(const QUrl& url);
    // After a failure: true when the answer was refused on purpose (an address that is not
    // secure, more bytes than allowed), false for network trouble.
    bool refused() const { return _refused; }

    void start();
    // Stops without a finished() signal.
    void cancel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void progress(qint64 received, qint64 total);
    void finished(bool ok, const QByteArray& data, const QString& error);

private:
    void onReadyRead();
    void onRedirected(const QUrl& url);
    void onFinished();
    void fail(const QString& error);
    void refuse(const QString& error);
    void finish(bool ok, const QString& error);

    QNetworkAccessManager* _nam;
    QUrl _url;
    qint64 _maxBytes;
    QPointer<QNetworkReply> _reply;
    QByteArray _data;
    QTimer _idle;
    bool _done = false;
    bool _refused = false;
};
