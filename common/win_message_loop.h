// The message loop both programs run after showing their main window.
#pragma once

#include <windows.h>

// Gets every message of the thread, offers it to `accelerators` for its window, and translates and
// dispatches what they did not take. Returns the wParam of the final WM_QUIT. GetMessage reports an
// error as -1; looping on it would spin for ever, so only a positive result goes on.
WPARAM runMessageLoop(HACCEL accelerators);
