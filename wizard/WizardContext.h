// The record that the flow, the pages and the workers share for one run.
// The device list is handed over whole: a reader sees a count and its
// entries together, never an array half filled by a worker.
#pragma once

#include "KIVDevice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class IUpdater;
class KIVOptions;
class WizardContext;

// Runs an enumeration in the background that publishes into the context.
// Whatever the enumeration writes into lives until it has ended, whoever
// started it and whatever became of the starter.
class EnumerationStarter {
public:
    virtual ~EnumerationStarter() {}
    virtual void startEnumeration(WizardContext& context) = 0;
};

class WizardContext {
public:
    WizardContext(KIVOptions* options, IUpdater* updater);
    ~WizardContext();
    WizardContext(const WizardContext&) = delete;
    WizardContext& operator=(const WizardContext&) = delete;

    KIVOptions* options;
    IUpdater* updater;
    int32_t currentIndex;
    std::wstring packageVersion;
    std::wstring deviceVersion;
    std::wstring licencePath;
    // The device that the IP-entry page found last; owned by the context.
    KIVDevice* addedDevice;
    // Who runs the Select-device page's re-scans; null: re-scan does nothing.
    EnumerationStarter* enumerations;

    // A copy of the devices offered so far, in list order.
    std::vector<KIVDevice*> devices() const;
    size_t deviceCount() const;
    // Empties the list for a new enumeration; only the newest enumeration
    // may publish, so a slow earlier one cannot overwrite a later result.
    uint64_t beginEnumeration();
    // Replaces the list with an enumeration's result, unless a newer
    // enumeration has begun since or it was given up. Returns whether it was
    // taken.
    bool publishDevices(uint64_t generation, const KIVDeviceArray& found);
    // Whoever waited for the running enumeration stopped waiting: its result,
    // when it comes, must not replace what is offered by then.
    void abandonEnumeration();
    // The newest enumeration has ended (or was given up); false before any.
    bool enumerationEnded() const;
    void appendDevice(KIVDevice* device);
    void clearDevices();
    // Keeps a device record that the wizard made itself and makes it the
    // added device.
    void adoptAddedDevice(std::unique_ptr<KIVDevice> device);

private:
    mutable std::mutex lock_;
    KIVDeviceArray devices_;
    uint64_t generation_;
    bool searching_;
    std::vector<std::unique_ptr<KIVDevice>> ownDevices_;
};
