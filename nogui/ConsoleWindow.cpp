#include "ConsoleWindow.h"

#include <atomic>

namespace {

std::atomic<bool> g_interrupted(false);

BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_interrupted = true;
    return TRUE;
}

} // namespace

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

void catchInterrupts(bool on) {
    if (on)
        g_interrupted = false;
    ::SetConsoleCtrlHandler(&onControl, on ? TRUE : FALSE);
}

bool interrupted() {
    return g_interrupted.load();
}

} // namespace ConsoleWindow
