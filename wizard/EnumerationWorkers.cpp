#include "EnumerationWorkers.h"

#include "IUpdater.h"
#include "LoggerComponent.h"
#include "MethodTrace.h"

#include <process.h>

EnumerationWorkers::~EnumerationWorkers() {
    waitAll();
    for (std::unique_ptr<EnumerationJob>& job : jobs_)
        if (job->devices)
            job->updater->freeDeviceArray(&job->devices);
}

void EnumerationWorkers::waitAll() {
    for (std::unique_ptr<EnumerationJob>& job : jobs_)
        if (job->thread)
            ::WaitForSingleObject(job->thread.get(), INFINITE);
}

void EnumerationWorkers::startEnumeration(WizardContext& context) {
    MethodTrace trace(LogGUIMode, L"EnumerationWorkers::startEnumeration(): ");
    std::unique_ptr<EnumerationJob> job(new EnumerationJob{
        nullptr, context.options, context.updater, &context, 0, ScopedKernelHandle()});
    job->generation = context.beginEnumeration();
    reclaimEnded();
    job->updater->createDeviceArray(&job->devices);
    if (!job->devices) {
        trace.message(L"Unable to make a device array; no devices are searched for");
        context.publishDevices(job->generation, KIVDeviceArray());
        return;
    }
    const uintptr_t thread =
        _beginthreadex(nullptr, 0, &enumerationWorker, job.get(), CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        trace.message(L"Unable to start the thread to enumerate devices; error=",
                      static_cast<uint32_t>(::GetLastError()));
        job->updater->freeDeviceArray(&job->devices);
        // Whoever waits for the result learns at once that none is coming.
        context.publishDevices(job->generation, KIVDeviceArray());
        return;
    }
    job->thread.reset(reinterpret_cast<HANDLE>(thread));
    HANDLE handle = job->thread.get();
    jobs_.push_back(std::move(job));
    ::ResumeThread(handle);
}

// Once a new search has emptied the list, an ended enumeration has nothing
// left that anyone reads: the pages keep no rows across a search, and the
// printers chosen for an update are copies. Its array and records go now rather than at the run's
// end.
void EnumerationWorkers::reclaimEnded() {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        EnumerationJob& job = **it;
        if (!job.thread || ::WaitForSingleObject(job.thread.get(), 0) != WAIT_OBJECT_0) {
            ++it;
            continue;
        }
        if (job.devices)
            job.updater->freeDeviceArray(&job.devices);
        it = jobs_.erase(it);
    }
}

unsigned __stdcall EnumerationWorkers::enumerationWorker(void* argument) {
    EnumerationJob* job = static_cast<EnumerationJob*>(argument);
    try {
        job->updater->enumerateCompatibleDevices(job->options, job->devices, nullptr);
        job->context->publishDevices(job->generation, *job->devices);
    } catch (...) {
    }
    return 0;
}
