// Stand-ins for NoGuiUpdateMode.dll in the binding tests: a working factory,
// a factory that returns null (STUB_FACTORY_NULL), or no factory at all
// (STUB_NO_EXPORT). With STUB_FROM_ENVIRONMENT the mode's two results are
// read from KIV_STUB_INIT and KIV_STUB_RESULT, so that a test can drive
// KIV.exe through every ending, KIV_STUB_LOAD names a library that the
// mode asks for by name (16 when none is found, 17 when one is), and
// KIV_STUB_HANG keeps the mode running until the test ends it.
#include "IUpdateMode.h"

#include <windows.h>

#include <cstdlib>

namespace {

int32_t fromEnvironment(const char* name, int32_t fallback) {
#ifdef STUB_FROM_ENVIRONMENT
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
#else
    (void)name;
    return fallback;
#endif
}

class StubMode : public IUpdateMode {
public:
    int32_t initialize(KIVOptions*) override { return fromEnvironment("KIV_STUB_INIT", 0); }
    int32_t executeUpdateMode(KIVOptions*) override {
#ifdef STUB_FROM_ENVIRONMENT
        if (const wchar_t* name = _wgetenv(L"KIV_STUB_LOAD"))
            return ::LoadLibraryW(name) ? 17 : 16;
        // A run that a test ends from outside, once the mode has told it it
        // runs (by making the file KIV_STUB_HANG names).
        if (const wchar_t* running = _wgetenv(L"KIV_STUB_HANG")) {
            ::CloseHandle(::CreateFileW(running, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
            ::Sleep(INFINITE);
        }
#endif
        return fromEnvironment("KIV_STUB_RESULT", 42);
    }
    IUpdater* getUpdater() override {
        return nullptr;
    }
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
