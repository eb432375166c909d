// Stand-ins for NoGuiUpdateMode.dll in the binding tests: a working factory,
// a factory that returns null (STUB_FACTORY_NULL), or no factory at all
// (STUB_NO_EXPORT).
#include "IUpdateMode.h"

namespace {

class StubMode : public IUpdateMode {
public:
    int32_t initialize(KIVOptions*) override { return 0; }
    int32_t executeUpdateMode(KIVOptions*) override { return 42; }
    IUpdater* getUpdater() override { return nullptr; }
};

} // namespace

#ifndef STUB_NO_EXPORT
extern "C" __declspec(dllexport) IUpdateMode* DllGetUpdateMode() {
#ifdef STUB_FACTORY_NULL
    return nullptr;
#else
    return new StubMode();
#endif
}
#else
extern "C" __declspec(dllexport) int SomethingElse() {
    return 1;
}
#endif
