// The window system's library, for the launcher, which does not link it: a
// console run loads none of it. Loaded from the system folder only.
#pragma once

#include "WindowsSupport.h"

#include <string>

// user32 from the system folder, loaded on first use and kept; null when it
// cannot be loaded.
HMODULE systemUser32();

// Whether anybody can see this session's windows. A service, a scheduled task
// run without its user or a remote shell has a window station nobody sees:
// a window there waits for a click that never comes. When it cannot be told,
// the windows count as seen.
bool desktopIsVisible();

// Shows text in a message box with an error icon, when the desktop is seen;
// returns once it is closed (at once when it cannot be shown).
void showErrorBox(const std::wstring& text);
