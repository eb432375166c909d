// Binding of Updater.dll: shared by the program and the non-graphical mode.
#include "IUpdater.h"

#include "KIVOptions.h"
#include "LibraryBinder.h"
#include "MethodTrace.h"

namespace {

// Loaded once per module and kept until freeUpdaterLib releases it.
LibraryBinder updaterLibrary(L"Updater.dll", "DllGetUpdater", L"Updater");

} // namespace

IUpdater* IUpdater::makeUpdater(KIVOptions* options, int32_t* rc) {
    MethodTrace trace(LogUpdater, L"IUpdater::makeUpdater(): ");
    const std::wstring folder = options ? options->getRsrcMgr().getPackagePath() : std::wstring();
    return updaterLibrary.make<IUpdater>(trace, folder, rc);
}

bool IUpdater::freeUpdaterLib(IUpdater* updater) {
    logLine(LogUpdater, L"IUpdater::freeUpdaterLib: ");
    delete updater;
    return updaterLibrary.release();
}
