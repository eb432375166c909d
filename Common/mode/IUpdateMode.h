// An update mode: the wizard of KIVWizard.dll, or the non-graphical mode of
// NoGuiUpdateMode.dll.
#pragma once

#include <cstdint>

class KIVOptions;
class IUpdater;

class IUpdateMode {
public:
    virtual ~IUpdateMode() {}
    virtual int32_t initialize(KIVOptions* options) = 0;
    virtual int32_t executeUpdateMode(KIVOptions* options) = 0;
    virtual IUpdater* getUpdater() = 0;

    // rc: 0, or 7 on any failure (then null is returned).
    static IUpdateMode* makeUpdateMode(KIVOptions* options, int32_t* rc);
    static bool freeUpdateModeLib(IUpdateMode* mode, KIVOptions* options);
};

// Exported by NoGuiUpdateMode.dll.
typedef IUpdateMode* (*DllGetUpdateModeFn)();
