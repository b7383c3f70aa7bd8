#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>

// A notice the tray shows as its own balloon: what it says, for how long, and the point on
// the screen it is shown against (the tray icon's inner corner, or the tray's edge). It
// goes to the balloon helper as one line of JSON on the helper's standard input.
struct BalloonNotice {
    QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::Information;
    QString title;
    QString message;
    int msecs = 10000;
    QPoint anchor;

    // The longest a balloon stays, and the most text it shows: a mangled line must not
    // make a window that never goes or that is larger than any screen.
    static constexpr int kMaxMsecs = 60000;
    static constexpr int kMaxTextLength = 2000;
    static constexpr int kMaxLineBytes = 64 * 1024;

    QByteArray toLine() const;
    // False for a line that holds no notice.
    static bool fromLine(const QByteArray& line, BalloonNotice* notice);
};
