#include "ReplySizeLimit.h"

#include "QtLog.h"

#include <QEvent>
#include <QNetworkReply>

ReplySizeLimit::ReplySizeLimit(QNetworkReply* reply, qint64 limit) : QObject(reply), _limit(limit)
{
    // Nobody reads the reply before it has finished, so what is available is all that has
    // arrived. The network thread hands it over in queued pieces and says readyRead only
    // once this thread has caught up with them: a fast stream of small chunks can pile up a
    // GiB before the first readyRead. So the count is also taken before each piece is
    // delivered, whatever the framing.
    reply->installEventFilter(this);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplySizeLimit::check);
    connect(reply, &QNetworkReply::readyRead, this, &ReplySizeLimit::check);
}

bool ReplySizeLimit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::MetaCall)
        check();
    return false;
}

void ReplySizeLimit::check()
{
    auto* reply = static_cast<QNetworkReply*>(parent());
    if (_aborted || !reply->isRunning())
        return;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
    if (announced <= _limit && reply->bytesAvailable() <= _limit)
        return;
    _aborted = true;
    LK_WARNING() << "Reply larger than" << _limit << "bytes, aborted:" << reply->url().toString();
    // Pieces still queued for the reply are dropped unread once it is aborted.
    reply->abort();
}
