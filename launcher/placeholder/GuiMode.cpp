#include "GuiMode.h"

#include "GuiModeFactory.h"
#include "MethodTrace.h"

#include <cstdio>

GuiMode::GuiMode() : appMode_(1) {}

GuiMode::~GuiMode() {}

int32_t GuiMode::initialize(KIVOptions*) {
    MethodTrace trace(LogGUIMode, L"GuiMode::initialize(): ");
    return 0;
}

int32_t GuiMode::executeUpdateMode(KIVOptions*) {
    MethodTrace trace(LogGUIMode, L"GuiMode::executeUpdateMode(): ");
    static const wchar_t kMessage[] =
        L"The graphical wizard is not available in this build; use -m 2.";
    trace.message(kMessage);
    std::printf("%ls\n", kMessage);
    std::fflush(stdout);
    return ResultWizardUnavailable;
}

IUpdateMode* makeGuiMode(int32_t appMode) {
    GuiMode* mode = new GuiMode();
    mode->setAppMode(appMode);
    return mode;
}
