#include "EventManager.h"

#include "AppSignals.h"
#include "Clock.h"
#include "DateTimeUtils.h"
#include "QtLog.h"
#include "SettingsKeys.h"
#include "StoredPause.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSettings>

#include <cstdlib>

namespace {

// The later of two instants; the first on a tie. An invalid instant is earlier than any valid one.
QDateTime later(const QDateTime& first, const QDateTime& second)
{
    return second > first ? second : first;
}

QDateTime appStartTime()
{
    return DateTimeUtils::fromUTCString(QSettings().value(Keys::appStartTime, QString()).toString());
}

bool isUserEvent(const QString& appName)
{
    return appName != TimeEvent::strIdle() && appName != TimeEvent::strPaused();
}

// tr() here would use our thread base class's context; the text belongs to "QThread".
QString activeAgainMessage()
{
    return QCoreApplication::translate("QThread", "Larkspan is now active.");
}

} // namespace

EventManager::EventManager() : databaseManager(DatabaseManager::instance()), _lastBuild(Clock::nowLocal())
{
    AppSignals* hub = AppSignals::instance();
    connect(hub, &AppSignals::resume, this, &EventManager::resume);
    connect(hub, &AppSignals::pause, this, &EventManager::pause);
    connect(hub, &AppSignals::cancelIdleTime, this, &EventManager::onCancelIdleTime);
    connect(hub, &AppSignals::addManulTime, this, &EventManager::onAddManualTime);
    connect(hub, &AppSignals::createIdleEvent, this, &EventManager::createIdleEvent);

    {
        QMutexLocker lock(&mutex);
        databaseManager.timeLogDao.removeIdleTimeLogs();
    }

    // A pause stored by an earlier run holds from the first moment, not only from the first
    // pass of the loop: input arriving in the seconds after start must not be tracked.
    if (const int code = StoredPause::load().code())
        pause(code);
}

EventManager::~EventManager() = default;

void EventManager::addEvent(TimeEvent& event)
{
    const QString appName = event.appName();
    if (appName.isEmpty())
        event.setAppName(TimeEvent::strEmpty());
    if (event.windowTitle().isEmpty())
        event.setWindowTitle(TimeEvent::strEmpty());

    if (_pause.isPaused() && appName != TimeEvent::strPaused())
        return;

    qint64 jumpMs = 0;
    TimeLogBuilder::Result built = TimeLogBuilder::Result::NothingStored;
    {
        QMutexLocker lock(&mutex);
        // Before the insert: a clock set back must not mix this event with the old time's.
        jumpMs = noteAlive(built);
        databaseManager.timeEventDao.addTimeEvent(event);
    }
    if (jumpMs != 0)
        followWallClock(jumpMs, built);

    if (!isUserEvent(appName))
        return;

    emit AppSignals::instance()->resume();
    int count = 0;
    QDateTime start;
    {
        QMutexLocker lock(&_stateMutex);
        ++_recentUserEventNum;
        if (_recentUserEventStart.isNull())
            _recentUserEventStart = event.eventTime();
        count = _recentUserEventNum;
        start = _recentUserEventStart;
    }
    LK_DEBUG() << "Adding user event: _recentUserEventNum=" << count << ", _recentUserEventStart=" << start;
}

QDateTime EventManager::shiftedAppStartTime() const
{
    const QDateTime start = appStartTime();
    return start.isValid() ? start.addMSecs(_wallShiftMs) : start;
}

QDateTime EventManager::lastUserEventTime()
{
    return later(shiftedAppStartTime(), databaseManager.timeEventDao.lastUserEvent());
}

QDateTime EventManager::lastPauseEventTime()
{
    return later(shiftedAppStartTime(), databaseManager.timeEventDao.lastPauseEvent());
}

qint64 EventManager::noteAlive(TimeLogBuilder::Result& built)
{
    const AliveTrail::Jump jump = _trail.note();
    if (jump.ms == 0)
        return 0;
    if (jump.ms > 0) {
        // Forward: the skipped span was never lived; nothing may reach across it.
        builder.breakAt(jump.lastSeen);
    } else {
        // Back: what was stored belongs to the old time and is built before anything of
        // the new time arrives; the new time then starts afresh.
        built = builder.buildTimeLogs();
        builder.restartTimeline(jump.now);
    }
    // What the idle test compares with moves with the clock, before this event's own time
    // is stored as the last activity.
    QSettings settings;
    for (const auto& key : {Keys::lastUserEvent, Keys::lastPauseEvent}) {
        const QDateTime stored = DateTimeUtils::fromUTCString(settings.value(key).toString());
        if (stored.isValid())
            settings.setValue(key, DateTimeUtils::toUTCString(stored.addMSecs(jump.ms)));
    }
    return jump.ms;
}

void EventManager::breakAtLostTime()
{
    const AliveTrail::Lost lost = _trail.endPass();
    if (!lost.found)
        return;
    builder.breakAt(lost.lastSeen);
    LK_INFO() << "EventManager - not running for" << lost.secs << "s after" << lost.lastSeen
              << (lost.slept ? "(the machine slept)" : "(the program was stopped)") << "- that time is not counted...";
}

void EventManager::followWallClock(qint64 jumpMs, TimeLogBuilder::Result built)
{
    _wallShiftMs += jumpMs;
    {
        QMutexLocker lock(&_stateMutex);
        if (_lastManualTimeAdded.isValid())
            _lastManualTimeAdded = _lastManualTimeAdded.addMSecs(jumpMs);
        if (_recentUserEventStart.isValid())
            _recentUserEventStart = _recentUserEventStart.addMSecs(jumpMs);
    }
    LK_INFO() << "EventManager - the wall clock was set" << (jumpMs > 0 ? "forward" : "back") << "by"
              << std::llabs(jumpMs) / 1000 << "s...";
    noteStoreOutcome(built);
}

void EventManager::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        return;
    // Stored now, the work before the sleep survives a machine that never wakes (an empty
    // battery); and whatever the sleep's length, none of it is counted.
    LK_INFO() << "EventManager - the machine is going to sleep...";
    TimeLogBuilder::Result result;
    {
        QMutexLocker lock(&mutex);
        builder.breakAt(Clock::nowUtc());
        result = builder.buildTimeLogs();
    }
    noteStoreOutcome(result);
}

bool EventManager::isIdle()
{
    if (_pause.isPaused())
        return false;
    const QDateTime user = lastUserEventTime();
    const QDateTime paused = lastPauseEventTime();
    const QDateTime now = Clock::nowUtc();
    QDateTime lastManual;
    {
        QMutexLocker lock(&_stateMutex);
        lastManual = _lastManualTimeAdded;
    }
    const QDateTime reference = later(later(user, paused), lastManual);
    const int maxInactiveSecs = QSettings().value(Keys::maxInactiveSecs, Defaults::maxInactiveSecs).toInt();
    return std::llabs(reference.secsTo(now)) > maxInactiveSecs;
}

void EventManager::createIdleEvent(const QDateTime& eventTime)
{
    TimeEvent event(eventTime, TimeEvent::strIdle(), TimeEvent::strEmpty(), TimeEvent::strEmpty());
    addEvent(event);
}

void EventManager::createPauseEvent()
{
    TimeEvent event(Clock::nowUtc(), TimeEvent::strPaused(), TimeEvent::strEmpty(), TimeEvent::strEmpty());
    addEvent(event);
}

void EventManager::loadPauseStatusFromSettings()
{
    const StoredPause stored = StoredPause::load();
    LK_DEBUG() << "EventManager::loadPauseStatusFromSettings - pausedIndefinitely=" << stored.indefinitely()
               << ", pausedUntilTomorrow=" << stored.untilTomorrow();
    if (const int code = stored.code())
        emit AppSignals::instance()->pause(code);
}

void EventManager::resetRecentUserEvents()
{
    QMutexLocker lock(&_stateMutex);
    _recentUserEventNum = 0;
    _recentUserEventStart = QDateTime();
}

void EventManager::buildAndDropPausedLogs()
{
    TimeLogBuilder::Result result;
    {
        QMutexLocker lock(&mutex);
        result = builder.buildTimeLogs();
        _lastBuild = Clock::nowLocal();
        databaseManager.timeLogDao.removePausedTimeLogs();
    }
    noteStoreOutcome(result);
}

void EventManager::noteStoreOutcome(TimeLogBuilder::Result result)
{
    if (result == TimeLogBuilder::Result::NothingStored)
        return;
    const bool failing = result == TimeLogBuilder::Result::StoreFailed;
    {
        QMutexLocker lock(&_stateMutex);
        if (failing == _storeFailing)
            return;
        _storeFailing = failing;
    }
    if (failing) {
        emit AppSignals::instance()->showMessage(
            QStringLiteral("Larkspan"),
            QCoreApplication::translate("EventManager",
                                        "Tracked time cannot be saved: the disk may be full or the data folder "
                                        "read-only. Larkspan keeps it and saves it as soon as it can."));
    } else {
        LK_INFO() << "EventManager - tracked time is saved again.";
        emit AppSignals::instance()->showMessage(
            QStringLiteral("Larkspan"), QCoreApplication::translate("EventManager", "Tracked time is saved again."));
    }
}

void EventManager::run()
{
    _lastBuild = Clock::nowLocal();
    {
        QMutexLocker lock(&mutex);
        _trail.restart();
    }
    while (!isStopRequested()) {
        sleepSecs(5);
        if (isStopRequested())
            break;
        runPass();
    }
    // Events stored since the last build would die with the process: build them now so
    // quitting never loses up to a minute of the user's time.
    buildAndDropPausedLogs();
    terminate();
    LK_INFO() << "EventManager has been terminated.";
}

void EventManager::runPass()
{
    qint64 jumpMs = 0;
    TimeLogBuilder::Result built = TimeLogBuilder::Result::NothingStored;
    {
        QMutexLocker lock(&mutex);
        jumpMs = noteAlive(built);
        breakAtLostTime();
    }
    if (jumpMs != 0)
        followWallClock(jumpMs, built);

    if (std::llabs(_lastBuild.secsTo(Clock::nowLocal())) >= 60)
        buildAndDropPausedLogs();

    loadPauseStatusFromSettings();

    if (!_pause.isPaused()) {
        LK_DEBUG() << "Checking idle: isIdle=" << isIdle();
        if (isIdle()) {
            const QDateTime user = lastUserEventTime();
            const QDateTime paused = lastPauseEventTime();
            const QDateTime idleStart = user > paused ? user : paused;
            {
                QMutexLocker lock(&_stateMutex);
                _idleStart = idleStart;
            }
            LK_DEBUG() << "lastUserEventTime: " << user << ", lastPauseEventTime: " << paused
                       << ", _idleStart: " << idleStart;
            createIdleEvent(Clock::nowUtc());
            emit AppSignals::instance()->idle(idleStart);
            resetRecentUserEvents();
        } else {
            int count = 0;
            QDateTime start;
            {
                QMutexLocker lock(&_stateMutex);
                count = _recentUserEventNum;
                start = _recentUserEventStart;
            }
            if (count >= 2)
                emit AppSignals::instance()->foundRecentUserEvents(start);
        }
    }

    if (_pause.isPaused()) {
        resetRecentUserEvents();
        LK_DEBUG() << "Creating a pause event because: pause_minutes=" << _pause.minutes();
        createPauseEvent();
        if (_pause.hasRunOut(std::llabs(lastUserEventTime().secsTo(Clock::nowUtc())))) {
            emit AppSignals::instance()->resume();
            emit AppSignals::instance()->showMessage(QStringLiteral("Larkspan"), activeAgainMessage());
        }
    }

    QMutexLocker lock(&mutex);
    databaseManager.timeEventDao.removeTimeEventsBefore(Clock::nowUtc().addDays(-1));
}

void EventManager::pause(int minutes)
{
    _pause.pause(minutes);
}

void EventManager::resume()
{
    _pause.resume();
}

void EventManager::onCancelIdleTime()
{
    LK_DEBUG() << "Deleting idle events and time logs from cache...";
    QMutexLocker lock(&mutex);
    databaseManager.timeEventDao.removeIdleTimeEvents();
    databaseManager.timeLogDao.removeIdleTimeLogs();
}

void EventManager::onAddManualTime(const QDateTime& startTime, const QDateTime& endTime, const QString& manualType,
                                   const QString& comment)
{
    {
        QMutexLocker lock(&_stateMutex);
        _lastManualTimeAdded = Clock::nowUtc();
    }
    static const QRegularExpression nonWord(QStringLiteral("\\W"));
    const QString appName =
        QStringLiteral("@_") + QString(manualType).replace(nonWord, QStringLiteral("-")) + QStringLiteral("_@");
    TimeLogBuilder::Result built;
    TimeLogDao::AddResult added;
    {
        QMutexLocker lock(&mutex);
        built = builder.buildTimeLogs();
        added = databaseManager.timeLogDao.addManualTime(startTime, endTime, appName, comment);
        databaseManager.timeLogDao.removeIdleTimeLogs();
    }
    if (added == TimeLogDao::AddResult::Failed) {
        LK_WARNING() << "Cannot store manual time: startTime=" << startTime << ", endTime=" << endTime
                     << ", manualType=" << manualType << ", comment=" << comment;
        noteStoreOutcome(TimeLogBuilder::Result::StoreFailed);
    } else {
        LK_INFO() << "Added manual time: startTime=" << startTime << ", endTime=" << endTime
                  << ", manualType=" << manualType << ", comment=" << comment;
        noteStoreOutcome(built == TimeLogBuilder::Result::StoreFailed ? built : TimeLogBuilder::Result::Stored);
    }
    QMutexLocker lock(&_stateMutex);
    _idleStart = QDateTime();
}
