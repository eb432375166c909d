// The wizard's worker threads: enumerations (EnumerationWorkers) and one
// update at a time. The update worker shows its error pages itself, on its
// own thread. Nothing here is stopped from outside; the destructor waits for
// every worker before anything they use is freed.
#pragma once

#include "EnumerationWorkers.h"
#include "ScopedHandle.h"
#include "WizardWorkers.h"

class PageHost;

class WorkerThreads : public WizardWorkers {
public:
    // errorPages: the error pages of the update worker, shown on its thread.
    explicit WorkerThreads(PageHost& errorPages) : errorPages_(errorPages), lastCode_(0) {}
    ~WorkerThreads() override;
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    void startEnumeration(WizardContext& context) override;
    void waitEnumerations() override;
    bool startUpdate(const UpdateJob& job) override;
    uint32_t waitUpdate() override;

private:
    struct Running {
        UpdateJob job;
        PageHost* pages;
    };
    static unsigned __stdcall updateWorker(void* running);

    PageHost& errorPages_;
    EnumerationWorkers enumerations_;
    Running running_;
    ScopedKernelHandle update_;
    uint32_t lastCode_;
};

// The update's progress callback: stores the percentage in the process-wide
// progress value and handles at most one waiting message of the calling
// thread, so that a page shown by that thread keeps painting.
void reportProgress(int percent);
