#include "ComTargetBoundary.h"

#include "NoThrow.h"

namespace {

int32_t noReply(unsigned char** reply, uint32_t* length) {
    if (reply)
        *reply = nullptr;
    if (length)
        *length = 0;
    return ComTargetBoundary::Failed;
}

} // namespace

ComTargetBoundary::ComTargetBoundary(IComTarget* target) : target_(target) {}

ComTargetBoundary::~ComTargetBoundary() {
    noThrow([&] { delete target_; });
}

bool ComTargetBoundary::isDeviceReady(KIVDevice* device) {
    return noThrow(false, [&] { return target_->isDeviceReady(device); });
}

int32_t ComTargetBoundary::sendPacket(KIVDevice* device, const wchar_t* command,
                                      unsigned char** reply, uint32_t* length) {
    int32_t rc = Failed;
    if (noThrow(false, [&] {
            rc = target_->sendPacket(device, command, reply, length);
            return true;
        }))
        return rc;
    return noReply(reply, length);
}

int32_t ComTargetBoundary::sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                                   uint32_t* length, int32_t flag) {
    int32_t rc = Failed;
    if (noThrow(false, [&] {
            rc = target_->sendRaw(device, command, reply, length, flag);
            return true;
        }))
        return rc;
    return noReply(reply, length);
}

int32_t ComTargetBoundary::sendFile(KIVDevice* device, const wchar_t* path) {
    return noThrow<int32_t>(Failed, [&] { return target_->sendFile(device, path); });
}

int32_t ComTargetBoundary::enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) {
    return noThrow<int32_t>(Failed, [&] { return target_->enumerateDevices(list, addresses); });
}

void ComTargetBoundary::createDeviceList(KIVDeviceArray** out) {
    noThrowMake(out, [&] { target_->createDeviceList(out); });
}

void ComTargetBoundary::freeDeviceList(KIVDeviceArray** list) {
    noThrow([&] { target_->freeDeviceList(list); });
}

int32_t ComTargetBoundary::extension1(uint32_t value) {
    return noThrow<int32_t>(0, [&] { return target_->extension1(value); });
}

int32_t ComTargetBoundary::extension2(uint32_t value) {
    return noThrow<int32_t>(0, [&] { return target_->extension2(value); });
}
