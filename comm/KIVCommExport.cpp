#include "ComTargetBoundary.h"
#include "KIVComm.h"

#include <memory>

// The factory the updater looks up by this exact, undecorated name.
extern "C" __declspec(dllexport) IComTarget* DllGetKIVComm(KIVOptions* options) {
    try {
        std::unique_ptr<IComTarget> target(new KIVComm(options));
        IComTarget* boundary = new ComTargetBoundary(target.get());
        target.release();
        return boundary;
    } catch (...) {
        return nullptr;
    }
}
