#pragma once

#include <QObject>

#include <functional>

// Hears the login manager announce that the machine is about to sleep and has woken
// (PrepareForSleep on the system bus). A machine without a system bus or a login manager
// simply gives no warning: the event manager still finds the lost time afterwards.
class SleepWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SleepWatcher(std::function<void(bool sleeping)> onPrepareForSleep, QObject* parent = nullptr);

    bool isListening() const { return _listening; }

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    std::function<void(bool)> _onPrepareForSleep;
    bool _listening = false;
};
