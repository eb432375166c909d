// Binding of Updater.dll: shared by the program and the non-graphical mode.
#include "IUpdater.h"

#include "KIVOptions.h"
#include "MethodTrace.h"
#include "LibraryLoader.h"
#include "ScopedHandle.h"

namespace {

// Loaded once per module and kept until freeUpdaterLib releases it.
HMODULE g_updaterLib = nullptr;
DllGetUpdaterFn g_getUpdater = nullptr;

} // namespace

IUpdater* IUpdater::makeUpdater(KIVOptions* options, int32_t* rc) {
    MethodTrace trace(LogUpdater, L"IUpdater::makeUpdater(): ");
    int32_t ignored = 0;
    if (!rc)
        rc = &ignored;
    *rc = 0;
    std::wstring folder = options ? options->getRsrcMgr().getPackagePath() : std::wstring();
    std::wstring path = folder + L"Updater.dll";
    if (!g_updaterLib) {
        HMODULE lib = loadLibraryInFolder(folder, L"Updater.dll");
        if (!lib) {
            trace.message(L"LoadLibrary() failed on path= ", path);
            *rc = 7;
            return nullptr;
        }
        g_updaterLib = lib;
    }
    if (!g_getUpdater) {
        g_getUpdater = getProcAddressAs<DllGetUpdaterFn>(g_updaterLib, "DllGetUpdater");
        if (!g_getUpdater) {
            trace.message(L"GetProcAddress() failed to find DllGetUpdater function");
            *rc = 7;
            return nullptr;
        }
    }
    IUpdater* updater = g_getUpdater();
    if (!updater) {
        trace.message(L"DllGetUpdater factory function failed to return the Updater object.");
        *rc = 7;
        return nullptr;
    }
    return updater;
}

bool IUpdater::freeUpdaterLib(IUpdater* updater) {
    logLine(LogUpdater, L"IUpdater::freeUpdaterLib: ");
    delete updater;
    if (!g_updaterLib)
        return false;
    // Forget the handle and the factory with the library: a later makeUpdater
    // must load it again instead of calling into unloaded code.
    HMODULE lib = g_updaterLib;
    g_updaterLib = nullptr;
    g_getUpdater = nullptr;
    return FreeLibrary(lib) != FALSE;
}
