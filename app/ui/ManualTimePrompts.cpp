#include "ManualTimePrompts.h"

#include "DateTimeUtils.h"
#include "OfflineWindow.h"
#include "QtLog.h"
#include "SettingsKeys.h"

#include <QSettings>

#include <utility>

ManualTimePrompts::~ManualTimePrompts()
{
    qDeleteAll(_windows);
}

void ManualTimePrompts::noteIdleStart(QDateTime idleStart)
{
    const bool offlineEnabled = QSettings().value(Keys::offlineEnabled, Defaults::offlineEnabled).toBool();
    LK_DEBUG() << "LoginPrompt::onIdle... offlineEnabled=" << offlineEnabled;
    if (offlineEnabled && !_idleStart.isValid())
        _idleStart = std::move(idleStart);
}

QDateTime ManualTimePrompts::takeIdleStart()
{
    return std::exchange(_idleStart, QDateTime());
}

bool ManualTimePrompts::periodOf(const QHash<QString, QString>& msgData, QDateTime& start, QDateTime& end)
{
    const QString startKey = QStringLiteral("startTimeUtcStr");
    const QString endKey = QStringLiteral("endTimeUtcStr");
    if (!msgData.contains(startKey) || !msgData.contains(endKey))
        return false;
    LK_DEBUG() << "onNotificationMessageClicked: startTimeUtcStr=" << msgData.value(startKey)
               << ", endTimeUtcStr=" << msgData.value(endKey);
    start = DateTimeUtils::fromUTCString(msgData.value(startKey));
    end = DateTimeUtils::fromUTCString(msgData.value(endKey));
    return true;
}

OfflineWindow* ManualTimePrompts::create(QDateTime start, QDateTime end)
{
    auto* window = new OfflineWindow(std::move(start), std::move(end), nullptr);
    _windows.append(window);
    return window;
}

void ManualTimePrompts::release(OfflineWindow* window)
{
    _windows.removeAll(window);
    window->deleteLater();
}

void ManualTimePrompts::raiseAll() const
{
    for (OfflineWindow* window : _windows)
        window->raise();
}
