#pragma once

#include <QString>

// What the detector saw in front: application, window title and extra data (a page address).
struct WindowInfo {
    QString appName;
    QString windowTitle;
    QString metaData;
};
