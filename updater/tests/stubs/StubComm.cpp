// Stand-ins for KIVComm.dll: a working factory, one that returns null, and a
// library without the factory. Built once per variant, each as KIVComm.dll
// in its own folder.
#include "IComTarget.h"

namespace {

class StubComTarget : public IComTarget {
public:
    bool isDeviceReady(KIVDevice*) override { return false; }
    int32_t sendPacket(KIVDevice*, const wchar_t*, unsigned char**, uint32_t* length) override {
        *length = 0;
        return 0;
    }
    int32_t sendRaw(KIVDevice*, const wchar_t*, unsigned char**, uint32_t* length,
                    int32_t) override {
        *length = 0;
        return 0;
    }
    int32_t sendFile(KIVDevice*, const wchar_t*) override { return 0; }
    int32_t enumerateDevices(KIVDeviceArray*, IpAddressArray*) override { return 0; }
    void createDeviceList(KIVDeviceArray** out) override { *out = new KIVDeviceArray(); }
    void freeDeviceList(KIVDeviceArray** list) override {
        delete *list;
        *list = nullptr;
    }
    int32_t extension1(uint32_t value) override { return static_cast<int32_t>(value + 1000); }
    int32_t extension2(uint32_t value) override { return static_cast<int32_t>(value + 2000); }
};

} // namespace

#if defined(STUB_COMM_NULL)
extern "C" __declspec(dllexport) IComTarget* DllGetKIVComm(KIVOptions*) {
    return nullptr;
}
#elif defined(STUB_COMM_NOEXPORT)
extern "C" __declspec(dllexport) IComTarget* DllGetSomethingElse(KIVOptions*) {
    return new StubComTarget();
}
#else
extern "C" __declspec(dllexport) IComTarget* DllGetKIVComm(KIVOptions* options) {
    return options ? new StubComTarget() : nullptr;
}
#endif
