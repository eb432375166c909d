// The console window that standard output may be: whether it is one, its
// width, and moving its cursor for the block of progress lines.
#pragma once

#include "WindowsSupport.h"

#include <cstddef>

namespace ConsoleWindow {

// True only for a console, the one handle that has a console mode. The file
// type alone says "character device" for NUL and serial ports too, which
// cannot move a cursor: redrawn in place, a fleet's progress block would be
// written out again at every change.
bool isConsole(HANDLE out);
// The console's width in characters; 0 when out is no console.
size_t columns(HANDLE out);
// Moves the cursor up by lines, at most to the top of the buffer.
void cursorUp(HANDLE out, size_t lines);

// From on until off, Ctrl+C and Ctrl+Break no longer end the process at once
// (in the middle of a flash, with nothing said): they only set the flag that
// interrupted() reads. Closing the window, logging off and shutting down
// still end it, as the system decides.
void catchInterrupts(bool on);
bool interrupted();

} // namespace ConsoleWindow
