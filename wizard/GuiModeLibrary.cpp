// KIVWizard.dll: the wizard update mode (application modes 1 and 3), bound by
// the launcher from the common folder as the console mode is. The program
// itself then needs no window library until a wizard run starts.
#include "GuiMode.h"

extern "C" __declspec(dllexport) IUpdateMode* DllGetGuiMode(int32_t appMode) {
    try {
        GuiMode* mode = new GuiMode();
        mode->setAppMode(appMode);
        return mode;
    } catch (...) {
        return nullptr;
    }
}
