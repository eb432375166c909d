// Whether a run hides its console window and hears Ctrl+C. No OS calls.
#pragma once

#include <cstdint>

// The console mode keeps its console. The graphical modes hide it only when
// it is the program's own: started from a command prompt the program shares
// the prompt's console, and hiding it would take the user's window away for
// good. processesOnConsole is the number of processes attached to the console
// (0 when it could not be told, which counts as shared).
bool shouldHideConsole(int32_t appMode, uint32_t processesOnConsole);

// Whether Ctrl+C and Ctrl+Break in the console are ignored: the graphical
// modes are ended from their own window, and a key typed in the command
// prompt they share must not end one in the middle of a flash. The console
// mode hears them and stops in its own way.
bool ignoresConsoleInterrupts(int32_t appMode);
