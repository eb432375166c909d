// Whether a run hides its console window. No OS calls.
#pragma once

#include <cstdint>

// The console mode keeps its console. The graphical modes hide it only when
// it is the program's own: started from a command prompt the program shares
// the prompt's console, and hiding it would take the user's window away for
// good. processesOnConsole is the number of processes attached to the console
// (0 when it could not be told, which counts as shared).
bool shouldHideConsole(int32_t appMode, uint32_t processesOnConsole);
