// The yardstick of the launcher's start-up: a program that does nothing, so
// that starting it costs what any program's start costs on this platform.
#include "WindowsSupport.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
