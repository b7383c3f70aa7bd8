#pragma once

// The program's Qt resources (the build number, the tray icons) live in the static windows
// library. No code names them, so the linker would drop them; registering them here by hand
// makes every program and test that uses the windows carry them, whatever links what.
// Safe to call any number of times from the GUI thread.
void initProgramResources();
