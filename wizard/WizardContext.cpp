#include "WizardContext.h"

WizardContext::WizardContext(KIVOptions* opts, IUpdater* upd)
    : options(opts), updater(upd), currentIndex(0), addedDevice(nullptr), enumerations(nullptr),
      generation_(0), searching_(false) {}

WizardContext::~WizardContext() {}

std::vector<KIVDevice*> WizardContext::devices() const {
    std::lock_guard<std::mutex> guard(lock_);
    return devices_;
}

size_t WizardContext::deviceCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return devices_.size();
}

uint64_t WizardContext::beginEnumeration() {
    std::lock_guard<std::mutex> guard(lock_);
    devices_.clear();
    devices_.shrink_to_fit();
    searching_ = true;
    return ++generation_;
}

bool WizardContext::publishDevices(uint64_t generation, const KIVDeviceArray& found) {
    std::lock_guard<std::mutex> guard(lock_);
    if (generation != generation_)
        return false;
    devices_ = found;
    searching_ = false;
    return true;
}

void WizardContext::abandonEnumeration() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!searching_)
        return;
    searching_ = false;
    ++generation_;
}

bool WizardContext::enumerationEnded() const {
    std::lock_guard<std::mutex> guard(lock_);
    return generation_ > 0 && !searching_;
}

void WizardContext::appendDevice(KIVDevice* device) {
    std::lock_guard<std::mutex> guard(lock_);
    devices_.push_back(device);
}

void WizardContext::clearDevices() {
    std::lock_guard<std::mutex> guard(lock_);
    devices_.clear();
    devices_.shrink_to_fit();
}

void WizardContext::adoptAddedDevice(std::unique_ptr<KIVDevice> device) {
    addedDevice = device.get();
    ownDevices_.push_back(std::move(device));
}
