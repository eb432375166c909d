// Wizard workers that finish at once, for the flow's tests and fuzzer: a
// search publishes the fake engine's printers, and an update's exit code is
// scripted or follows the engine's answer (0 stays 0, anything else fails).
#pragma once

#include "FakeUpdater.h"
#include "UpdateOutcome.h"
#include "WizardContext.h"
#include "WizardWorkers.h"

#include <deque>
#include <vector>

class InstantWorkers : public WizardWorkers {
public:
    explicit InstantWorkers(FakeUpdater& engine) : engine_(engine) {}
    ~InstantWorkers() override {
        for (KIVDeviceArray* array : arrays_)
            engine_.freeDeviceArray(&array);
    }
    std::deque<uint32_t> exitCodes;
    int enumerationWaits = 0;
    int updatesRunning = 0;
    // A search counts as running, as a real one may, until it is waited for.
    bool searching = false;

    void startEnumeration(WizardContext& context) override {
        searching = true;
        const uint64_t generation = context.beginEnumeration();
        KIVDeviceArray* array = nullptr;
        engine_.createDeviceArray(&array);
        arrays_.push_back(array);
        engine_.enumerateCompatibleDevices(context.options, array, nullptr);
        context.publishDevices(generation, *array);
    }
    void waitEnumerations() override {
        ++enumerationWaits;
        searching = false;
    }
    bool startUpdate(const UpdateJob& job) override {
        ++updatesRunning;
        const int32_t r = engine_.update(job.options, job.index, job.progress, false);
        if (!exitCodes.empty()) {
            code_ = exitCodes.front();
            exitCodes.pop_front();
        } else {
            code_ = r == 0 ? UpdateOutcome::Updated : UpdateOutcome::Failed;
        }
        return true;
    }
    uint32_t waitUpdate() override {
        updatesRunning = 0;
        return code_;
    }

private:
    FakeUpdater& engine_;
    std::vector<KIVDeviceArray*> arrays_;
    uint32_t code_ = 0;
};
