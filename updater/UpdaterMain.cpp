// Entry point of Updater.dll.
#include "ISDUpdater.h"
#include "UpdaterBoundary.h"

#include <memory>

extern "C" __declspec(dllexport) IUpdater* DllGetUpdater() {
    try {
        std::unique_ptr<IUpdater> engine(new ISDUpdater());
        IUpdater* boundary = new UpdaterBoundary(engine.get());
        engine.release();
        return boundary;
    } catch (...) {
        return nullptr;
    }
}
