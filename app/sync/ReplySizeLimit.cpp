#include "ReplySizeLimit.h"

#include "QtLog.h"

#include <QNetworkReply>

ReplySizeLimit::ReplySizeLimit(QNetworkReply* reply, qint64 limit) : QObject(reply), _limit(limit)
{
    // Nobody reads the reply before it has finished, so what is available is all that has
    // arrived: checked as it arrives, not after the whole body sits in memory.
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplySizeLimit::check);
    connect(reply, &QNetworkReply::readyRead, this, &ReplySizeLimit::check);
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
    reply->abort();
}
