#pragma once

#include <QObject>

#include <initializer_list>
#include <memory>

class QSocketNotifier;
struct UnixSignalRoute;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread. The handler only
// writes one byte to a pipe; everything else happens in the event loop, where it is safe.
// Only the first signal is caught: it puts back the default action of all of them, so a
// second one ends the process at once.
//
// Signal actions belong to the process, so one watcher may live at a time; a second one
// watches nothing and says so. Its destruction puts the earlier actions back.
class UnixSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

signals:
    void unixSignal(int signalNumber);

private:
    void onReadable();

    std::unique_ptr<UnixSignalRoute> _route;
    QSocketNotifier* _notifier = nullptr;
};
