#pragma once

// Global keyboard and mouse activity hooks.
//
// The library watches the whole X display for key presses, button presses (wheel steps
// included) and pointer motion through XInput 2.2 raw events on the root window, on a
// thread and an X connection of its own. It never grabs input and never reads what was
// typed or where the pointer went: a callback only says that something happened.

#include "KeyboardEventHandler.h"
#include "MouseEventHandler.h"

// Registers the object whose callback receives keyboard events; nullptr stops delivery.
// The object must stay alive until UnInstallHooks() has returned.
void SetKeyboardEventHandler(KeyboardEventHandler* handler);

// The same for mouse events.
void SetMouseEventHandler(MouseEventHandler* handler);

// Starts delivering events to the registered handlers. Returns true when hooks are active
// (also when they already were); false, with a warning in the log, when there is no X
// display or the server lacks XInput 2.2.
bool InstallHooks();

// Stops delivery. When it returns, no callback is running and none will start, so the
// handlers may be destroyed. Returns true when installed hooks were removed, false when
// there were none (calling it twice, or without InstallHooks(), is harmless).
bool UnInstallHooks();
