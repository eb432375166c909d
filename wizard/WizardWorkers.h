// What the wizard's flow asks of its worker threads: enumerations that
// publish into the context, and one update at a time whose exit code the flow
// reads. No worker is ever stopped from outside; the flow waits instead, so
// that nothing a worker may still touch is freed under it.
#pragma once

#include "IUpdater.h"
#include "WizardContext.h"

#include <cstdint>

// One printer's update, as the update worker gets it. It lives, with the
// device it points to, until that worker has ended.
struct UpdateJob {
    KIVDevice* device; // the flow's copy of the printer
    KIVOptions* options;
    IUpdater* updater;
    int32_t index;             // the printer's index in the options' device list
    ProgressCallback progress; // reportProgress in the program
    WizardContext* context;    // given to the error pages
};

class WizardWorkers : public EnumerationStarter {
public:
    // startEnumeration (EnumerationStarter): a new enumeration whose result
    // replaces the context's devices; its array lives until the worker ends.

    // Waits for every enumeration started so far.
    virtual void waitEnumerations() = 0;
    // Starts the update worker; false when it could not be started.
    virtual bool startUpdate(const UpdateJob& job) = 0;
    // Waits for the update worker and returns its exit code (UpdateOutcome).
    virtual uint32_t waitUpdate() = 0;
    // Waits for every worker.
    void waitAll() {
        waitUpdate();
        waitEnumerations();
    }
};
