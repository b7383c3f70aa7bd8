#pragma once

#include "StoppableThread.h"
#include "WindowInfo.h"

#include <QString>
#include <QVector>

class EventManager;

// Records Outlook windows with the subject of the selected e-mail as their title: the
// sampler queues them here, and this thread asks the subject reader for each in turn.
class OutlookSubjectDetector : public StoppableThread
{
public:
    explicit OutlookSubjectDetector(EventManager* manager);
    ~OutlookSubjectDetector() override;

    void run() override;
    void onRequestOutlookSubject(QString appName, QString windowTitle);
    // Takes one queued request, if any, and stores its event; the loop calls it as soon as a
    // request is queued, at most once a second.
    void processNext();

    static QString subjectReaderPath();
    // How long the subject reader may take to print the subject.
    static constexpr int readerTimeoutMs = 2000;

private:
    QString readOutlookSubject();
    bool shouldStop() const;
    bool hasQueued();

    EventManager* manager;
    QVector<WindowInfo> queue;
};
