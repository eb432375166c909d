// Background enumerations that publish their result into the context. Each
// worker's device array lives until that worker has ended, whatever became
// of the page that started it; the destructor waits for every worker (none
// is ever stopped from outside) and then frees the arrays.
#pragma once

#include "ScopedHandle.h"
#include "WizardContext.h"

#include <memory>
#include <vector>

class EnumerationWorkers : public EnumerationStarter {
public:
    EnumerationWorkers() {}
    ~EnumerationWorkers() override;
    EnumerationWorkers(const EnumerationWorkers&) = delete;
    EnumerationWorkers& operator=(const EnumerationWorkers&) = delete;

    void startEnumeration(WizardContext& context) override;
    // Waits for every worker started so far.
    void waitAll();

private:
    // One enumeration: the array that the engine fills, where the result is
    // published, and the worker's thread.
    struct EnumerationJob {
        KIVDeviceArray* devices;
        KIVOptions* options;
        IUpdater* updater;
        WizardContext* context;
        uint64_t generation; // only the newest enumeration publishes
        ScopedKernelHandle thread;
    };
    static unsigned __stdcall enumerationWorker(void* job);
    void reclaimEnded();

    std::vector<std::unique_ptr<EnumerationJob>> jobs_;
};
