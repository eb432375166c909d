// Stand-ins for Updater.dll, built in three forms: a working factory
// (STUB_OK), a factory that returns null (STUB_NULL) and no factory at all.
#include "IUpdater.h"

namespace {

class StubUpdater : public IUpdater {
public:
    int32_t initialize(KIVOptions*) override { return 0; }
    int32_t update(KIVOptions*, int32_t, ProgressCallback, bool) override { return 0; }
    void getDeviceVersionString(KIVOptions*, int32_t, std::wstring*) override {}
    void getPackageVersionString(KIVOptions*, std::wstring* out) override {
        if (out)
            *out = L"STUB";
    }
    bool isPackageNewerThanDevice(KIVOptions*, int32_t) override { return false; }
    bool isCompatibleDevice(KIVOptions*, KIVDevice*, int32_t*) override { return false; }
    int32_t enumerateCompatibleDevices(KIVOptions*, KIVDeviceArray*, IpAddressArray*) override {
        return 0;
    }
    void createDeviceArray(KIVDeviceArray** out) override { *out = new KIVDeviceArray; }
    void freeDeviceArray(KIVDeviceArray** array) override { delete *array; }
    void reserved(uint32_t, uint32_t) override {}
    int32_t forwardExtension1(uint32_t value) override { return static_cast<int32_t>(value) + 1; }
    int32_t forwardExtension2(uint32_t value) override { return static_cast<int32_t>(value) + 2; }
};

} // namespace

#if defined(STUB_OK)
extern "C" __declspec(dllexport) IUpdater* DllGetUpdater() {
    return new StubUpdater;
}
#elif defined(STUB_NULL)
extern "C" __declspec(dllexport) IUpdater* DllGetUpdater() {
    return nullptr;
}
#else
extern "C" __declspec(dllexport) IUpdater* SomethingElse() {
    return new StubUpdater;
}
#endif
