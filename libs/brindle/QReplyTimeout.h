#pragma once

#include <QObject>

class QNetworkReply;

// Aborts a reply still running after the given time, so it finishes with an error
// instead of hanging. Lives as the reply's child and goes with it.
class QReplyTimeout : public QObject
{
    Q_OBJECT
public:
    QReplyTimeout(QNetworkReply* reply, int ms);

private:
    void onTimeout();
};
