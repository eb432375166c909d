// Binding of the update mode: the built-in wizard, or the console mode that
// NoGuiUpdateMode.dll supplies.
#include "IUpdateMode.h"

#include "GuiModeFactory.h"
#include "KIVOptions.h"
#include "MethodTrace.h"
#include "LibraryLoader.h"
#include "ScopedHandle.h"

namespace {

// Loaded on first use; released by freeUpdateModeLib.
HMODULE g_noGuiLib = nullptr;

enum AppMode { ModeWizard = 1, ModeNoGui = 2, ModeWizardFromList = 3 };
const int32_t kBindFailed = 7;

IUpdateMode* makeNoGuiMode(MethodTrace& trace, const std::wstring& folder, int32_t* rc) {
    const std::wstring path = folder + L"NoGuiUpdateMode.dll";
    if (!g_noGuiLib) {
        HMODULE lib = loadLibraryInFolder(folder, L"NoGuiUpdateMode.dll");
        if (!lib) {
            trace.message(L"LoadLibrary() failed on path= ", path);
            *rc = kBindFailed;
            return nullptr;
        }
        g_noGuiLib = lib;
    }
    DllGetUpdateModeFn factory =
        getProcAddressAs<DllGetUpdateModeFn>(g_noGuiLib, "DllGetUpdateMode");
    if (!factory) {
        trace.message(L"GetProcAddress() failed to find DllGetUpdateMode function");
        *rc = kBindFailed;
        return nullptr;
    }
    IUpdateMode* mode = factory();
    if (!mode) {
        trace.message(L"DllGetUpdateMode factory function failed to return the UpdateMode object.");
        *rc = kBindFailed;
    }
    return mode;
}

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
        return makeNoGuiMode(trace, common, rc);
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
    if (!g_noGuiLib)
        return false;
    // Forget the handle with the library, so that a later makeUpdateMode loads
    // it again instead of calling into unloaded code.
    HMODULE lib = g_noGuiLib;
    g_noGuiLib = nullptr;
    return ::FreeLibrary(lib) != FALSE;
}
