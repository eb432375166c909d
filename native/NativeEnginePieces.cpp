// The engine's OS-bound pieces for the native build: its clock, the package's
// files, and the link library, which the native build does not have.
#include "EngineClock.h"
#include "IComTarget.h"
#include "MethodTrace.h"
#include "NativePath.h"
#include "PackageFile.h"

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace {

class SteadyClock : public EngineClock {
public:
    int64_t now() override {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleepMs(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

} // namespace

EngineClock& EngineClock::system() {
    static SteadyClock clock;
    return clock;
}

bool packageFileExists(const std::wstring& path) {
    struct stat info;
    return stat(nativePath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// As on Windows when KIVComm.dll cannot be loaded.
IComTarget* IComTarget::makeComTarget(KIVOptions*, int32_t* rc) {
    MethodTrace trace(LogUpdater, L"IComTarget::makeComTarget(): ");
    trace.message(L"no link library in the native build");
    if (rc)
        *rc = 7;
    return nullptr;
}
