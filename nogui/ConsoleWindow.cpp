#include "ConsoleWindow.h"

namespace ConsoleWindow {

bool isConsole(HANDLE out) {
    DWORD mode = 0;
    return ::GetConsoleMode(out, &mode) != FALSE;
}

size_t columns(HANDLE out) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!::GetConsoleScreenBufferInfo(out, &info) || info.dwSize.X <= 0)
        return 0;
    return static_cast<size_t>(info.dwSize.X);
}

void cursorUp(HANDLE out, size_t lines) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!::GetConsoleScreenBufferInfo(out, &info))
        return;
    const SHORT up = lines > static_cast<size_t>(info.dwCursorPosition.Y)
                         ? info.dwCursorPosition.Y
                         : static_cast<SHORT>(lines);
    COORD to = {0, static_cast<SHORT>(info.dwCursorPosition.Y - up)};
    ::SetConsoleCursorPosition(out, to);
}

} // namespace ConsoleWindow
