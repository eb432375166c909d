#include "KIVOptions.h"

#include "MethodTrace.h"

#include <memory>

namespace {

// The scope name carries the index; it is composed only when it is written.
std::wstring indexedName(const wchar_t* prefix, uint32_t index) {
    if (!MethodTrace::isTracing(LogKIVInit))
        return std::wstring();
    MsgText name(prefix);
    name << index << L".";
    return name.str();
}

} // namespace

KIVOptions::KIVOptions() {
    MethodTrace trace(LogKIVInit, L"KIVOptions::KIVOptions(): ");
    deviceList_.clear();
}

KIVOptions::~KIVOptions() {
    MethodTrace trace(LogKIVInit, L"KIVOptions::~KIVOptions(): ");
    clearDeviceList();
}

uint32_t KIVOptions::getDevListSize() {
    logLine(LogKIVInit, L"KIVOptions::getDevListSize: ");
    return static_cast<uint32_t>(deviceList_.size());
}

int32_t KIVOptions::getDeviceAt(uint32_t index, KIVDevice& out) {
    MethodTrace trace(LogKIVInit, indexedName(L"KIVOptions::getDeviceAt: param=", index));
    if (index >= deviceList_.size()) {
        trace.message(L"Index out of range!");
        return ErrIndexOutOfRange;
    }
    out = *deviceList_[index];
    return 0;
}

void KIVOptions::setCfgIniPath(std::wstring path) {
    std::wstring name;
    if (MethodTrace::isTracing(LogKIVInit))
        name = L"KIVOptions::setCfgIniPath: param=" + path + L".";
    MethodTrace trace(LogKIVInit, name);
    cfgIniPath_ = std::move(path);
}

std::wstring KIVOptions::getConfigIniPath() {
    MethodTrace trace(LogKIVInit, L"KIVOptions::getConfigIniPath(): ");
    return cfgIniPath_;
}

int32_t KIVOptions::addDeviceToList(const KIVDevice& device) {
    logLine(LogKIVInit, L"KIVOptions::addDeviceToList: ");
    std::unique_ptr<KIVDevice> copy(new KIVDevice(device));
    deviceList_.push_back(copy.get());
    copy.release();
    return 0;
}

void KIVOptions::clearDeviceList() {
    MethodTrace trace(LogKIVInit, L"KIVOptions::clearDeviceList(): ");
    for (KIVDevice*& device : deviceList_) {
        delete device;
        device = nullptr;
    }
    deviceList_.clear();
}

int32_t KIVOptions::setDeviceStatusAt(uint32_t index, int32_t status) {
    MethodTrace trace(LogKIVInit, indexedName(L"KIVOptions::setDeviceStatusAt: param=", index));
    if (index >= deviceList_.size()) {
        trace.message(L"Index out of range!");
        return ErrIndexOutOfRange;
    }
    deviceList_[index]->setUpdateStatus(status);
    return 0;
}
