#include "BalloonNotice.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kIcon = QStringLiteral("icon");
const QString kTitle = QStringLiteral("title");
const QString kMessage = QStringLiteral("message");
const QString kMsecs = QStringLiteral("msecs");
const QString kX = QStringLiteral("x");
const QString kY = QStringLiteral("y");

} // namespace

QByteArray BalloonNotice::toLine() const
{
    const QJsonObject object {{kIcon, int(icon)}, {kTitle, title},  {kMessage, message},
                              {kMsecs, msecs},    {kX, anchor.x()}, {kY, anchor.y()}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

bool BalloonNotice::fromLine(const QByteArray& line, BalloonNotice* notice)
{
    if (line.size() > kMaxLineBytes)
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed());
    const QJsonObject object = document.object();
    if (!document.isObject() || !object.value(kTitle).isString() || !object.value(kMessage).isString())
        return false;
    const int icon = object.value(kIcon).toInt(QSystemTrayIcon::Information);
    notice->icon = icon >= QSystemTrayIcon::NoIcon && icon <= QSystemTrayIcon::Critical
        ? QSystemTrayIcon::MessageIcon(icon)
        : QSystemTrayIcon::Information;
    notice->title = object.value(kTitle).toString().left(kMaxTextLength);
    notice->message = object.value(kMessage).toString().left(kMaxTextLength);
    notice->msecs = qBound(1, object.value(kMsecs).toInt(10000), kMaxMsecs);
    notice->anchor = QPoint(object.value(kX).toInt(), object.value(kY).toInt());
    return true;
}
