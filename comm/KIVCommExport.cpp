#include "KIVComm.h"

// The factory the updater looks up by this exact, undecorated name.
extern "C" __declspec(dllexport) IComTarget* DllGetKIVComm(KIVOptions* options) {
    try {
        return new KIVComm(options);
    } catch (...) {
        return nullptr;
    }
}
