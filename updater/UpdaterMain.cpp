// Entry point of Updater.dll.
#include "EngineClock.h"
#include "ISDUpdater.h"
#include "PrinterLocks.h"
#include "UpdaterBoundary.h"

#include <memory>

extern "C" __declspec(dllexport) IUpdater* DllGetUpdater() {
    try {
        std::unique_ptr<IUpdater> engine(
            new ISDUpdater(nullptr, EngineClock::system(), &PrinterLocks::system()));
        IUpdater* boundary = new UpdaterBoundary(engine.get());
        engine.release();
        return boundary;
    } catch (...) {
        return nullptr;
    }
}
