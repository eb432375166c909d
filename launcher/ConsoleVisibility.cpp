#include "ConsoleVisibility.h"

namespace {

const int32_t kAppModeNoGui = 2;

} // namespace

bool shouldHideConsole(int32_t appMode, uint32_t processesOnConsole) {
    return appMode != kAppModeNoGui && processesOnConsole == 1;
}

bool ignoresConsoleInterrupts(int32_t appMode) {
    return appMode != kAppModeNoGui;
}
