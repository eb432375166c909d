#include "UpdaterBoundary.h"

#include "ISDUpdater.h"
#include "KeepAwake.h"
#include "NoThrow.h"

namespace {

// What a caller must not read after a failed call: a text half written.
void clearText(std::wstring* out) {
    noThrow([&] {
        if (out)
            out->clear();
    });
}

} // namespace

int32_t UpdaterBoundary::initialize(KIVOptions* options) {
    return noThrow<int32_t>(7, [&] { return inner_->initialize(options); });
}

int32_t UpdaterBoundary::update(KIVOptions* options, int32_t index, ProgressCallback progress,
                                bool sprAnswered) {
    return noThrow<int32_t>(UpdateFailed, [&] {
        KeepAwake awake;
        return inner_->update(options, index, progress, sprAnswered);
    });
}

void UpdaterBoundary::getDeviceVersionString(KIVOptions* options, int32_t index,
                                             std::wstring* out) {
    if (!noThrow(false, [&] {
            inner_->getDeviceVersionString(options, index, out);
            return true;
        }))
        clearText(out);
}

void UpdaterBoundary::getPackageVersionString(KIVOptions* options, std::wstring* out) {
    if (!noThrow(false, [&] {
            inner_->getPackageVersionString(options, out);
            return true;
        }))
        clearText(out);
}

bool UpdaterBoundary::isPackageNewerThanDevice(KIVOptions* options, int32_t index) {
    // As for a printer whose version cannot be read: the update goes ahead,
    // and its own check decides. "Up to date" would skip a printer unasked.
    return noThrow(true, [&] { return inner_->isPackageNewerThanDevice(options, index); });
}

bool UpdaterBoundary::isCompatibleDevice(KIVOptions* options, KIVDevice* device, int32_t* reason) {
    bool compatible = false;
    if (noThrow(false, [&] {
            compatible = inner_->isCompatibleDevice(options, device, reason);
            return true;
        }))
        return compatible;
    // The device's version could not be read: reported as not answering.
    if (reason && device)
        *reason = unreachableReason(*device);
    return false;
}

int32_t UpdaterBoundary::enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                                    IpAddressArray* addresses) {
    return noThrow<int32_t>(UpdateFailed, [&] {
        return inner_->enumerateCompatibleDevices(options, devices, addresses);
    });
}

int32_t UpdaterBoundary::enumerateFoundDevices(KIVOptions* options, KIVDeviceArray* devices,
                                               KIVDeviceArray* unchecked,
                                               IpAddressArray* addresses) {
    return noThrow<int32_t>(UpdateFailed, [&] {
        return inner_->enumerateFoundDevices(options, devices, unchecked, addresses);
    });
}

int32_t UpdaterBoundary::checkRevision(KIVOptions* options, int32_t index) {
    return noThrow<int32_t>(UpdateFailed, [&] { return inner_->checkRevision(options, index); });
}

void UpdaterBoundary::createDeviceArray(KIVDeviceArray** out) {
    noThrowMake(out, [&] { inner_->createDeviceArray(out); });
}

void UpdaterBoundary::freeDeviceArray(KIVDeviceArray** array) {
    noThrow([&] { inner_->freeDeviceArray(array); });
}

void UpdaterBoundary::reserved(uint32_t a, uint32_t b) {
    noThrow([&] { inner_->reserved(a, b); });
}

int32_t UpdaterBoundary::forwardExtension1(uint32_t value) {
    return noThrow<int32_t>(0, [&] { return inner_->forwardExtension1(value); });
}

int32_t UpdaterBoundary::forwardExtension2(uint32_t value) {
    return noThrow<int32_t>(0, [&] { return inner_->forwardExtension2(value); });
}
