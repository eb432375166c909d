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

bool ComTargetBoundary::isDeviceReady(KIVDevice* device) {
    return noThrow(false, [&] { return inner_->isDeviceReady(device); });
}

int32_t ComTargetBoundary::sendPacket(KIVDevice* device, const wchar_t* command,
                                      unsigned char** reply, uint32_t* length) {
    int32_t rc = Failed;
    if (noThrow(false, [&] {
            rc = inner_->sendPacket(device, command, reply, length);
            return true;
        }))
        return rc;
    return noReply(reply, length);
}

int32_t ComTargetBoundary::sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                                   uint32_t* length, int32_t flag) {
    int32_t rc = Failed;
    if (noThrow(false, [&] {
            rc = inner_->sendRaw(device, command, reply, length, flag);
            return true;
        }))
        return rc;
    return noReply(reply, length);
}

int32_t ComTargetBoundary::sendFile(KIVDevice* device, const wchar_t* path) {
    return noThrow<int32_t>(Failed, [&] { return inner_->sendFile(device, path); });
}

int32_t ComTargetBoundary::enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) {
    return noThrow<int32_t>(Failed, [&] { return inner_->enumerateDevices(list, addresses); });
}

void ComTargetBoundary::createDeviceList(KIVDeviceArray** out) {
    noThrowMake(out, [&] { inner_->createDeviceList(out); });
}

void ComTargetBoundary::freeDeviceList(KIVDeviceArray** list) {
    noThrow([&] { inner_->freeDeviceList(list); });
}

int32_t ComTargetBoundary::extension1(uint32_t value) {
    return noThrow<int32_t>(0, [&] { return inner_->extension1(value); });
}

int32_t ComTargetBoundary::extension2(uint32_t value) {
    return noThrow<int32_t>(0, [&] { return inner_->extension2(value); });
}
