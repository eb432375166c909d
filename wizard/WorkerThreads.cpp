#include "WorkerThreads.h"

#include "PageHost.h"
#include "ProgressValue.h"
#include "UpdateOutcome.h"

#include <process.h>

namespace {

// The engine and the error pages, as the update's decisions need them.
class WorkerSteps : public UpdateOutcome::Steps {
public:
    WorkerSteps(const UpdateJob& job, PageHost& pages) : job_(job), pages_(pages) {}

    int32_t update(bool consent) override {
        return job_.updater->update(job_.options, job_.index, job_.progress, consent);
    }
    int showConsentPage() override { return show(PageRequest(PageKind::ErrorSPR)); }
    int showRevisionPage() override { return show(PageRequest(PageKind::ErrorRevision)); }
    int showErrorPage(int kind) override { return show(PageRequest(PageKind::Error, kind)); }
    void reportDone() override {
        if (job_.progress)
            job_.progress(100);
    }

private:
    int show(const PageRequest& request) { return pages_.show(request, *job_.context).result; }

    const UpdateJob& job_;
    PageHost& pages_;
};

} // namespace

WorkerThreads::~WorkerThreads() {
    waitAll();
    // Left open on purpose: the handle of a worker no wait saw end must not
    // be closed, and so be reused, while that worker may still run.
    if (update_)
        update_.release();
}

void WorkerThreads::startEnumeration(WizardContext& context) {
    enumerations_.startEnumeration(context);
}

void WorkerThreads::waitEnumerations() {
    enumerations_.waitAll();
}

bool WorkerThreads::startUpdate(const UpdateJob& job) {
    waitUpdate();
    // A worker that the wait did not see end still reads its job.
    if (update_)
        return false;
    running_ = Running{job, &errorPages_};
    const uintptr_t thread =
        _beginthreadex(nullptr, 0, &updateWorker, &running_, CREATE_SUSPENDED, nullptr);
    if (thread == 0)
        return false;
    update_.reset(reinterpret_cast<HANDLE>(thread));
    ::ResumeThread(update_.get());
    return true;
}

uint32_t WorkerThreads::waitUpdate() {
    if (!update_)
        return lastCode_;
    // No time limit: the engine's own waits are bounded, and a worker stopped
    // from outside could leave a printer half-written or a lock held.
    const bool ended = ::WaitForSingleObject(update_.get(), INFINITE) == WAIT_OBJECT_0;
    DWORD code = STILL_ACTIVE;
    const bool read = ended && ::GetExitCodeThread(update_.get(), &code);
    lastCode_ = UpdateOutcome::afterWait(ended, read, code);
    // The handle of a worker that may still run stays open, so that the
    // next wait is for that same thread.
    if (ended)
        update_.reset();
    return lastCode_;
}

unsigned __stdcall WorkerThreads::updateWorker(void* argument) {
    const Running& running = *static_cast<Running*>(argument);
    try {
        WorkerSteps steps(running.job, *running.pages);
        return UpdateOutcome::run(steps);
    } catch (...) {
        // The engine threw: the update failed; let the Progress page close.
        try {
            if (running.job.progress)
                running.job.progress(100);
        } catch (...) {
        }
        return UpdateOutcome::Failed;
    }
}

void reportProgress(int percent) {
    setProgressValue(percent);
    MSG message;
    if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        // A quit request belongs to the thread's own loop: leave it there.
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}
