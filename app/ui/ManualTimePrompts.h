#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

class OfflineWindow;

// The manual time prompts: the idle period waiting for the user's return, and the prompts
// open for earlier periods. A prompt has no parent window, so that it comes up as a window
// of its own; the ones still open when this goes are deleted with it.
class ManualTimePrompts
{
public:
    ManualTimePrompts() = default;
    ~ManualTimePrompts();
    ManualTimePrompts(const ManualTimePrompts&) = delete;
    ManualTimePrompts& operator=(const ManualTimePrompts&) = delete;

    // Keeps the start of an idle period if the user wants to be asked about such periods
    // ("offlineEnabled"). The first idle start of a period wins: the event manager repeats
    // the signal every pass.
    void noteIdleStart(QDateTime idleStart);
    // The start of the idle period that has just ended, leaving none pending; invalid when
    // none was pending.
    QDateTime takeIdleStart();

    // The idle period a clicked notification carries ("startTimeUtcStr", "endTimeUtcStr");
    // false when it carries none.
    static bool periodOf(const QHash<QString, QString>& msgData, QDateTime& start, QDateTime& end);
    // A new prompt for the period, not shown yet.
    OfflineWindow* create(QDateTime start, QDateTime end);
    // Forgets a closed prompt and deletes it once the event loop is back.
    void release(OfflineWindow* window);
    bool isEmpty() const { return _windows.isEmpty(); }
    // Brings the open prompts to the front, so that a click on the tray icon finds them again.
    void raiseAll() const;

private:
    QDateTime _idleStart;
    QVector<OfflineWindow*> _windows;
};
