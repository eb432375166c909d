// Device communication, supplied by KIVComm.dll. Slot order matters; the
// reserved slots are never called by the engine.
#pragma once

#include "KIVDevice.h"
#include "ipAddressObject.h"

#include <cstdint>

class KIVOptions;

class IComTarget {
public:
    virtual ~IComTarget() {}
    virtual int32_t reserved1() { return 0; }
    virtual int32_t reserved2() { return 0; }
    // True while the device answers, false while it is away (for example resetting).
    virtual bool isDeviceReady(KIVDevice* device) = 0;
    // command: hexadecimal digit pairs. The reply buffer belongs to this object
    // and stays valid until its next call; *length 0 means no reply.
    // Returns Answered, NotAnswered when the command went out and no reply
    // came, or another value when the command did not reach the printer.
    enum SendResult : int32_t { Answered = 0, NotAnswered = 3 };
    virtual int32_t sendPacket(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                               uint32_t* length) = 0;
    virtual int32_t reserved3() { return 0; }
    // As sendPacket; flag says how soon the printer answers a raw command.
    enum RawFlag : int32_t {
        // A query answered at once or not at all (the flash-scan version),
        // asked again and again: each try gives up soon.
        RawAnswersAtOnce = 1,
        // A command of the flash sequence: the printer may first finish what
        // it is doing. Any other value counts as this.
        RawAnswersInTime = 2,
    };
    virtual int32_t sendRaw(KIVDevice* device, const wchar_t* command, unsigned char** reply,
                            uint32_t* length, int32_t flag) = 0;
    virtual int32_t sendFile(KIVDevice* device, const wchar_t* path) = 0;
    virtual int32_t enumerateDevices(KIVDeviceArray* list, IpAddressArray* addresses) = 0;
    virtual int32_t reserved4() { return 0; }
    virtual int32_t reserved5() { return 0; }
    virtual void createDeviceList(KIVDeviceArray** out) = 0;
    virtual void freeDeviceList(KIVDeviceArray** list) = 0;
    virtual int32_t extension1(uint32_t value) = 0;
    virtual int32_t extension2(uint32_t value) = 0;

    // Loads KIVComm.dll from the common folder and calls its factory.
    // rc: 0, or 7 on any failure (then null is returned).
    static IComTarget* makeComTarget(KIVOptions* options, int32_t* rc);
};

// Exported by KIVComm.dll.
typedef IComTarget* (*DllGetKIVCommFn)(KIVOptions* options);
