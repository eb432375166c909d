// Updater.dll with a link that fails by throwing: the real engine and the real
// boundary, over a communication object whose every call throws the common
// library's error object, as a failing system call deep inside would.
#include "ISDUpdater.h"
#include "UpdaterBoundary.h"
#include "Win32Exception.h"
#include "WindowsSupport.h"

#include <new>

namespace {

class ThrowingLink : public IComTarget {
public:
    bool isDeviceReady(KIVDevice*) override { fail(); }
    int32_t sendPacket(KIVDevice*, const wchar_t*, unsigned char**, uint32_t*) override { fail(); }
    int32_t sendRaw(KIVDevice*, const wchar_t*, unsigned char**, uint32_t*, int32_t) override {
        fail();
    }
    int32_t sendFile(KIVDevice*, const wchar_t*) override { fail(); }
    int32_t enumerateDevices(KIVDeviceArray*, IpAddressArray*) override { fail(); }
    void createDeviceList(KIVDeviceArray**) override { throw std::bad_alloc(); }
    void freeDeviceList(KIVDeviceArray**) override { fail(); }
    int32_t extension1(uint32_t) override { fail(); }
    int32_t extension2(uint32_t) override { fail(); }

private:
    [[noreturn]] static void fail() {
        throw Win32Exception(L"ThrowingLink", ERROR_GEN_FAILURE, L"FaultyEngine", __LINE__);
    }
};

// The engine as shipped, except that it keeps the link it was given.
class FaultyEngine : public ISDUpdater {
public:
    FaultyEngine() : ISDUpdater(new ThrowingLink(), EngineClock::system()) {}
    int32_t initialize(KIVOptions*) override { return 0; }
};

} // namespace

extern "C" __declspec(dllexport) IUpdater* DllGetUpdater() {
    try {
        return new UpdaterBoundary(new FaultyEngine());
    } catch (...) {
        return nullptr;
    }
}
