#pragma once

#include <QIcon>
#include <QString>

// Our icons, drawn for tray sizes (16 to 64 px) so the tray host never has to scale a
// large picture down into a blur.
namespace LarkspanIcons {
// state: "active", "notify", "idle" or "paused"; ":/larkspan_default_<state>.png" plus
// every other size of the same drawing.
QIcon trayIcon(const QString& state);
// The program's own icon, 16 to 256 px.
QIcon applicationIcon();
} // namespace LarkspanIcons
