// The communication object as it leaves KIVComm.dll: no exception crosses
// into the engine. A failure inside becomes "no answer" or the operation's
// failure result.
#pragma once

#include "ExceptionWall.h"
#include "IComTarget.h"

class ComTargetBoundary : public ExceptionWall<IComTarget> {
public:
    using ExceptionWall::ExceptionWall;

    bool isDeviceReady(KIVDevice* device) override;
    int32_t sendPacket(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                       uint32_t* length) override;
    int32_t sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                    uint32_t* length, int32_t flag) override;
    int32_t sendFile(KIVDevice* device, const wchar_t* path) override;
    int32_t enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) override;
    void createDeviceList(KIVDeviceArray** out) override;
    void freeDeviceList(KIVDeviceArray** list) override;
    int32_t extension1(uint32_t value) override;
    int32_t extension2(uint32_t value) override;

    // The result of a call that failed inside.
    enum { Failed = 1 };
};
