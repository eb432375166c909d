// Entry points of Updater.dll.
#include "BasicLogger.h"
#include "ISDUpdater.h"
#include "WindowsSupport.h"

#include <new>

namespace {

// The logger this library brought up; deleted when the library unloads.
BasicLogger* ownLogger = nullptr;

} // namespace

extern "C" __declspec(dllexport) IUpdater* DllGetUpdater() {
    try {
        BasicLogger* logger = makeBasicLogger();
        if (logger && !ownLogger)
            ownLogger = logger;
    } catch (...) {
    }
    try {
        return new (std::nothrow) ISDUpdater();
    } catch (...) {
        return nullptr;
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit (reserved set) other threads are already gone and the
    // process heap is about to vanish: nothing to tidy then.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        delete ownLogger;
        ownLogger = nullptr;
    }
    return TRUE;
}
