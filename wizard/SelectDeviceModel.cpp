#include "SelectDeviceModel.h"

#include "PageTexts.h"

SelectDeviceModel::SelectDeviceModel(const std::wstring& packageVersion,
                                     const std::wstring& upToDate)
    : waitLimitMs(60000), timerIntervalMs(1000), packageVersion_(packageVersion),
      upToDate_(upToDate), ticks_(0) {}

void SelectDeviceModel::fill(const std::vector<KIVDevice*>& devices) {
    clear();
    for (KIVDevice* device : devices)
        append(device);
}

void SelectDeviceModel::append(KIVDevice* device) {
    shown_.push_back(device);
    rows_.push_back(Row{deviceLabel(*device), versionText(*device)});
    marks_.push_back(0);
}

void SelectDeviceModel::clear() {
    rows_.clear();
    shown_.clear();
    marks_.clear();
}

void SelectDeviceModel::toggle(size_t index) {
    marks_[index] = marks_[index] == 1 ? 0 : 1;
}

bool SelectDeviceModel::tick(bool devicesArrived) {
    if (!devicesArrived) {
        const uint64_t waited = static_cast<uint64_t>(ticks_) * timerIntervalMs;
        ++ticks_;
        if (waited < waitLimitMs)
            return false;
    }
    ticks_ = 0;
    return true;
}

std::wstring SelectDeviceModel::versionText(const KIVDevice& device) const {
    const std::wstring version = device.getCurrVer();
    return version == packageVersion_ ? upToDate_ : version;
}
