// Binding of the update mode: the wizard that KIVWizard.dll supplies, or the
// console mode of NoGuiUpdateMode.dll, both from the common folder.
#include "IUpdateMode.h"

#include "KIVOptions.h"
#include "LibraryBinder.h"
#include "MethodTrace.h"

namespace {

// Each loaded on first use; released by freeUpdateModeLib.
LibraryBinder noGuiLibrary(L"NoGuiUpdateMode.dll", "DllGetUpdateMode", L"UpdateMode");
LibraryBinder guiLibrary(L"KIVWizard.dll", "DllGetGuiMode", L"UpdateMode");

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
    case ModeWizardFromList:
        return guiLibrary.make<IUpdateMode, int32_t>(trace, common, *rc, options->getAppMode());
    case ModeNoGui:
        return noGuiLibrary.make<IUpdateMode>(trace, common, *rc);
    default:
        *rc = kBindFailed;
        return nullptr;
    }
}

bool IUpdateMode::freeUpdateModeLib(IUpdateMode* mode, KIVOptions* options) {
    logLine(LogKIVInit, L"IUpdateMode::freeUpdateModeLib: ");
    // The object goes first: its destructor is code of the library.
    delete mode;
    // The wizard's library stays to the end of the process: window classes,
    // hooks or messages of its pages may still refer to its code.
    if (!options || options->getAppMode() != ModeNoGui)
        return true;
    return noGuiLibrary.release();
}
