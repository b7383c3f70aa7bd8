#include "BoundedDownload.h"

#include <QEvent>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
constexpr int kMaxRedirects = 5;
}

BoundedDownload::BoundedDownload(QNetworkAccessManager* nam, const QUrl& url, qint64 maxBytes, int idleTimeoutMs,
                                 QObject* parent)
    : QObject(parent), _nam(nam), _url(url), _maxBytes(maxBytes)
{
    _idle.setSingleShot(true);
    _idle.setInterval(idleTimeoutMs);
    connect(&_idle, &QTimer::timeout, this, [this] { fail(tr("the server stopped answering")); });
}

BoundedDownload::~BoundedDownload()
{
    cancel();
}

bool BoundedDownload::isAllowedUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    if (scheme != QLatin1String("http"))
        return false;
    const QString host = url.host().toLower();
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

void BoundedDownload::start()
{
    if (!isAllowedUrl(_url)) {
        // Queued, so the caller has connected before it hears the outcome.
        QMetaObject::invokeMethod(
            this, [this] { refuse(tr("%1 is not a secure (https) address").arg(_url.toDisplayString())); },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(_url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    _reply = _nam->get(request);
    // The network thread hands what arrives over in queued pieces and says readyRead only
    // once this thread has caught up with them; the count is also taken before each piece,
    // so a fast stream of small chunks cannot pile up unseen.
    _reply->installEventFilter(this);
    connect(_reply, &QNetworkReply::readyRead, this, &BoundedDownload::onReadyRead);
    connect(_reply, &QNetworkReply::redirected, this, &BoundedDownload::onRedirected);
    connect(_reply, &QNetworkReply::finished, this, &BoundedDownload::onFinished);
    connect(_reply, &QNetworkReply::downloadProgress, this, [this](qint64, qint64 total) {
        _idle.start();
        emit progress(_data.size(), total);
    });
    _idle.start();
}

void BoundedDownload::cancel()
{
    _done = true;
    _idle.stop();
    if (_reply) {
        _reply->disconnect(this);
        _reply->abort();
        _reply->deleteLater();
        _reply = nullptr;
    }
    _data.clear();
}

bool BoundedDownload::eventFilter(QObject* watched, QEvent* event)
{
    if (!_done && watched == _reply && event->type() == QEvent::MetaCall
        && _data.size() + _reply->bytesAvailable() > _maxBytes)
        refuse(tr("the server sent more than the expected %1 bytes").arg(_maxBytes));
    return false;
}

void BoundedDownload::onReadyRead()
{
    if (_done)
        return;
    _idle.start();
    const qint64 announced = _reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced > _maxBytes || _data.size() + _reply->bytesAvailable() > _maxBytes) {
        refuse(tr("the server sent more than the expected %1 bytes").arg(_maxBytes));
        return;
    }
    _data += _reply->readAll();
}

void BoundedDownload::onRedirected(const QUrl& url)
{
    if (!isAllowedUrl(url)) {
        refuse(tr("redirected to %1, which is not a secure (https) address").arg(url.toDisplayString()));
        return;
    }
    emit _reply->redirectAllowed();
}

void BoundedDownload::onFinished()
{
    if (_done)
        return;
    if (_reply->error() != QNetworkReply::NoError) {
        fail(_reply->errorString());
        return;
    }
    const int status = _reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        fail(tr("the server answered %1").arg(status));
        return;
    }
    onReadyRead();
    if (!_done)
        finish(true, QString());
}

void BoundedDownload::fail(const QString& error)
{
    if (!_done)
        finish(false, error);
}

void BoundedDownload::refuse(const QString& error)
{
    if (_done)
        return;
    _refused = true;
    finish(false, error);
}

void BoundedDownload::finish(bool ok, const QString& error)
{
    const QByteArray data = ok ? _data : QByteArray();
    cancel();
    emit finished(ok, data, error);
}
