// An update mode as the launcher calls it. The launcher catches nothing, and
// an exception leaving a mode's library would end the process with a code
// that an installer reads as some other outcome: both entry points end in a
// result. Each mode says which results stand for "stopped somewhere unknown".
#pragma once

#include "IUpdateMode.h"
#include "NoThrow.h"

class GuardedUpdateMode : public IUpdateMode {
public:
    int32_t initialize(KIVOptions* options) final {
        return noThrow(initializeFailed_, [&] { return initializeUnguarded(options); });
    }
    int32_t executeUpdateMode(KIVOptions* options) final {
        return noThrow(executeFailed_, [&] { return executeUnguarded(options); });
    }

protected:
    GuardedUpdateMode(int32_t initializeFailed, int32_t executeFailed)
        : initializeFailed_(initializeFailed), executeFailed_(executeFailed) {}

private:
    virtual int32_t initializeUnguarded(KIVOptions* options) = 0;
    virtual int32_t executeUnguarded(KIVOptions* options) = 0;

    const int32_t initializeFailed_;
    const int32_t executeFailed_;
};
