#include "EnumerationWorkers.h"

#include "IUpdater.h"

#include <process.h>

EnumerationWorkers::~EnumerationWorkers() {
    waitAll();
    for (std::unique_ptr<Job>& job : jobs_)
        if (job->devices)
            job->context->updater->freeDeviceArray(&job->devices);
}

void EnumerationWorkers::waitAll() {
    for (std::unique_ptr<Job>& job : jobs_)
        if (job->thread)
            ::WaitForSingleObject(job->thread.get(), INFINITE);
}

void EnumerationWorkers::startEnumeration(WizardContext& context) {
    std::unique_ptr<Job> job(new Job{&context, nullptr, 0, ScopedKernelHandle()});
    job->generation = context.beginEnumeration();
    context.updater->createDeviceArray(&job->devices);
    if (!job->devices)
        return;
    const uintptr_t thread = _beginthreadex(nullptr, 0, &run, job.get(), CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        context.updater->freeDeviceArray(&job->devices);
        return;
    }
    job->thread.reset(reinterpret_cast<HANDLE>(thread));
    HANDLE handle = job->thread.get();
    jobs_.push_back(std::move(job));
    ::ResumeThread(handle);
}

unsigned __stdcall EnumerationWorkers::run(void* argument) {
    Job* job = static_cast<Job*>(argument);
    try {
        WizardContext& context = *job->context;
        context.updater->enumerateCompatibleDevices(context.options, job->devices, nullptr);
        context.publishDevices(job->generation, *job->devices);
    } catch (...) {
    }
    return 0;
}
