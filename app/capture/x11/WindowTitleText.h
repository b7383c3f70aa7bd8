#pragma once

#include <QString>

// The one rule for window titles, whatever the window system: at most as many UTF-16
// units as the platform's own title query gives, so logs, uploads and debug lines stay
// bounded whatever a client sets.
class WindowTitleText
{
public:
    static constexpr int maxLength = 511;

    // Cuts at the last character boundary within the limit: never inside a surrogate pair
    // or between a letter and its combining marks.
    static QString bounded(const QString& title);

private:
    WindowTitleText() = delete;
};
