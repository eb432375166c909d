// IComTarget::makeComTarget: KIVComm.dll from the common folder, loaded once
// per process and never released.
#include "IComTarget.h"

#include "KIVOptions.h"
#include "LibraryBinder.h"
#include "MethodTrace.h"

#include <string>

IComTarget* IComTarget::makeComTarget(KIVOptions* options, int32_t* rc) {
    static LibraryBinder commLibrary(L"KIVComm.dll", "DllGetKIVComm", L"ComTarget");
    MethodTrace trace(LogUpdater, L"IComTarget::makeComTarget(): ");
    const std::wstring folder = options ? options->getRsrcMgr().getCommonPath() : std::wstring();
    return commLibrary.make<IComTarget, KIVOptions*>(trace, folder, rc, options);
}
