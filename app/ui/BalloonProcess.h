#pragma once

#include "BalloonNotice.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QProcess;

// Shows the tray's own balloon, on a desktop without a notification service, from the small
// larkspan-balloon process. Drawing text loads fonts, a font cache and text shaping (about
// 4 MiB resident) that would stay in the program for the rest of the session; in a process
// of its own they go away with the balloon, and the program at rest draws no text at all.
class BalloonProcess : public QObject
{
    Q_OBJECT
public:
    explicit BalloonProcess(QObject* parent);
    ~BalloonProcess() override;

    // The helper beside the program.
    static QString helperPath();

    // Shows the notice in place of the one shown now. False where the helper is missing;
    // where it cannot be started after all, failed(notice) is called later instead.
    bool show(const BalloonNotice& notice, const std::function<void(const BalloonNotice&)>& failed);

    // Takes the balloon shown now away.
    void takeAway();

private:
    QPointer<QProcess> _shown;
};
