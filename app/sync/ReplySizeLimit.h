#pragma once

#include <QObject>

class QNetworkReply;

// Aborts a reply whose body grows beyond a limit, so a hostile or broken server cannot
// fill the client's memory or log; the abort reaches the reply's handler as an error, like
// a time-out. Lives as the reply's child and goes with it.
class ReplySizeLimit : public QObject
{
    Q_OBJECT
public:
    // The service's replies are a few hundred bytes; a MiB leaves ample room.
    static constexpr qint64 defaultLimit = qint64 {1024} * 1024;

    ReplySizeLimit(QNetworkReply* reply, qint64 limit = defaultLimit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void check();

    qint64 _limit;
    bool _aborted = false;
};
