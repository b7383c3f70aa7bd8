#include "QReplyTimeout.h"

#include <QNetworkReply>
#include <QTimer>

QReplyTimeout::QReplyTimeout(QNetworkReply* reply, int ms) : QObject(reply)
{
    Q_ASSERT(reply);
    if (reply->isRunning())
        QTimer::singleShot(ms, this, &QReplyTimeout::onTimeout);
}

void QReplyTimeout::onTimeout()
{
    auto* reply = static_cast<QNetworkReply*>(parent());
    if (reply->isRunning())
        reply->abort();
}
