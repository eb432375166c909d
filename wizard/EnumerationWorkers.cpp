#include "EnumerationWorkers.h"

#include "IUpdater.h"

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
    std::unique_ptr<EnumerationJob> job(new EnumerationJob{
        nullptr, context.options, context.updater, &context, 0, ScopedKernelHandle()});
    job->generation = context.beginEnumeration();
    job->updater->createDeviceArray(&job->devices);
    if (!job->devices)
        return;
    const uintptr_t thread =
        _beginthreadex(nullptr, 0, &enumerationWorker, job.get(), CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        job->updater->freeDeviceArray(&job->devices);
        return;
    }
    job->thread.reset(reinterpret_cast<HANDLE>(thread));
    HANDLE handle = job->thread.get();
    jobs_.push_back(std::move(job));
    ::ResumeThread(handle);
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
