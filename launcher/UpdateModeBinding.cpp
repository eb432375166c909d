// Binding of the update mode: the built-in wizard, or the console mode that
// NoGuiUpdateMode.dll supplies.
#include "IUpdateMode.h"

#include "GuiModeFactory.h"
#include "KIVOptions.h"
#include "LibraryBinder.h"
#include "MethodTrace.h"

namespace {

// Loaded on first use; released by freeUpdateModeLib.
LibraryBinder noGuiLibrary(L"NoGuiUpdateMode.dll", "DllGetUpdateMode", L"UpdateMode");

enum AppMode { ModeWizard = 1, ModeNoGui = 2, ModeWizardFromList = 3 };
const int32_t kBindFailed = LibraryBinder::BindFailed;

} // namespace

IUpdateMode* IUpdateMode::makeUpdateMode(KIVOptions* options, int32_t* rc) {
    MethodTrace trace(LogKIVInit, L"IUpdateMode::makeUpdateMode(): ");
    int32_t ignored = 0;
    if (!rc)
        rc = &ignored;
    *rc = 0;
    if (!options) {
        *rc = kBindFailed;
        return nullptr;
    }
    const std::wstring common = options->getRsrcMgr().getCommonPath();
    switch (options->getAppMode()) {
    case ModeWizard:
        return makeGuiMode(ModeWizard);
    case ModeNoGui:
        return noGuiLibrary.make<IUpdateMode>(trace, common, *rc);
    case ModeWizardFromList:
        return makeGuiMode(ModeWizardFromList);
    default:
        *rc = kBindFailed;
        return nullptr;
    }
}

bool IUpdateMode::freeUpdateModeLib(IUpdateMode* mode, KIVOptions* options) {
    logLine(LogKIVInit, L"IUpdateMode::freeUpdateModeLib: ");
    // The object goes first: its destructor is code of the library.
    delete mode;
    if (!options || options->getAppMode() != ModeNoGui)
        return true;
    return noGuiLibrary.release();
}
