// IComTarget::makeComTarget: KIVComm.dll from the common folder, loaded once
// per process and never released.
#include "IComTarget.h"

#include "MethodTrace.h"
#include "KIVOptions.h"
#include "LibraryLoader.h"
#include "ScopedHandle.h"

#include <string>

namespace {

HMODULE commLibrary = nullptr;
DllGetKIVCommFn commFactory = nullptr;

} // namespace

IComTarget* IComTarget::makeComTarget(KIVOptions* options, int32_t* rc) {
    MethodTrace trace(LogUpdater, L"IComTarget::makeComTarget(): ");
    int32_t unusedRc = 0;
    int32_t& result = rc ? *rc : unusedRc;
    result = 0;
    const std::wstring folder = options ? options->getRsrcMgr().getCommonPath() : std::wstring();
    const std::wstring path = folder + L"KIVComm.dll";

    if (!commLibrary) {
        HMODULE library = loadLibraryInFolder(folder, L"KIVComm.dll");
        if (!library) {
            trace.message(L"LoadLibrary() failed on path= ", path);
            result = 7;
            return nullptr;
        }
        commLibrary = library;
    }
    if (!commFactory) {
        commFactory = getProcAddressAs<DllGetKIVCommFn>(commLibrary, "DllGetKIVComm");
        if (!commFactory) {
            trace.message(L"GetProcAddress() failed to find DllGetKIVComm function");
            result = 7;
            return nullptr;
        }
    }
    IComTarget* target = nullptr;
    try {
        target = commFactory(options);
    } catch (...) {
        target = nullptr;
    }
    if (!target) {
        trace.message(L"DllGetKIVComm factory function failed to return the ComTarget object.");
        result = 7;
        return nullptr;
    }
    return target;
}
