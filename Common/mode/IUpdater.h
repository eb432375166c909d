// The contract between the update modes and the updater engine (Updater.dll).
// Slot order matters: the object is made in one module and used in another.
#pragma once

#include "KIVDevice.h"
#include "ipAddressObject.h"

#include <cstdint>
#include <string>

class KIVOptions;

// Progress of an update, 0 to 99, called on the updating thread. It names
// no printer: a caller updating several printers at once (one thread each,
// through one updater) tells them apart by the calling thread.
typedef void (*ProgressCallback)(int percent);

// Why isCompatibleDevice refused a printer. A printer at an entered address
// (record type 1) has codes of its own. The modes hand the reason on as the
// result line's error code, where 2 and 3 read "ErrorIPNoPrinter" and
// "ErrorIPWrongPrinter".
enum CompatibilityReason : int32_t {
    ReasonAddressNoAnswer = 2, // the printer at an entered address does not answer
    ReasonWrongPrinter = 3,    // at an entered address, or of another vendor: it does not fit
    ReasonNoAnswer = 9,        // any other printer does not answer
    ReasonIncompatible = 10,   // any other printer does not fit the package
};

// The reason for a printer that does not answer, by its record's type.
inline int32_t unreachableReason(const KIVDevice& device) {
    return device.getType() == KIVDevice::TypeIpAddress ? ReasonAddressNoAnswer : ReasonNoAnswer;
}

inline bool isUnreachableReason(int32_t reason) {
    return reason == ReasonAddressNoAnswer || reason == ReasonNoAnswer;
}

class IUpdater {
public:
    // Results of update().
    enum UpdateResult {
        UpdateOk = 0,
        UpdateFailed = 9,
        UpdateConsentNeeded = 11, // never returned by this engine
        UpdateRevisionMismatch = 12,
        UpdateUnreachable = 13,
        // Another update of the printer, from this run or another, holds it;
        // nothing was sent.
        UpdateInUse = 15,
    };

    virtual ~IUpdater() {}
    virtual int32_t initialize(KIVOptions* options) = 0;
    virtual int32_t update(KIVOptions* options, int32_t index, ProgressCallback progress,
                           bool sprAnswered) = 0;
    virtual void getDeviceVersionString(KIVOptions* options, int32_t index, std::wstring* out) = 0;
    virtual void getPackageVersionString(KIVOptions* options, std::wstring* out) = 0;
    virtual bool isPackageNewerThanDevice(KIVOptions* options, int32_t index) = 0;
    virtual bool isCompatibleDevice(KIVOptions* options, KIVDevice* device, int32_t* reason) = 0;
    virtual int32_t enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                               IpAddressArray* addresses) = 0;
    virtual void createDeviceArray(KIVDeviceArray** out) = 0;
    virtual void freeDeviceArray(KIVDeviceArray** array) = 0;
    virtual void reserved(uint32_t a, uint32_t b) = 0;
    virtual int32_t forwardExtension1(uint32_t value) = 0;
    virtual int32_t forwardExtension2(uint32_t value) = 0;
    // As enumerateCompatibleDevices, and also appends to unchecked (when not
    // null) a copy of every printer that answered the search but could not be
    // checked: it stopped answering before its identity or version was read.
    // Such a printer may well fit the package, so it is not left out as
    // incompatible, but it is not in devices either: a caller flashes what
    // devices holds without checking again. Last in the slot order, so that
    // callers of the operations above see the layout they always saw.
    // Returns 0, or non-zero when the search stopped part way (what it listed
    // stays listed).
    virtual int32_t enumerateFoundDevices(KIVOptions* options, KIVDeviceArray* devices,
                                          KIVDeviceArray* unchecked, IpAddressArray* addresses) {
        (void)unchecked;
        return enumerateCompatibleDevices(options, devices, addresses);
    }
    // What update() would say of the printer's firmware revision before it
    // sends anything: UpdateOk, UpdateRevisionMismatch (its firmware letter
    // may not change to the package's), UpdateUnreachable (its version could
    // not be read), or UpdateFailed (the package does not say). It only
    // queries the printer, so a run that must not change a printer can ask.
    // After the operations above in the slot order; an engine without it has
    // no objection.
    virtual int32_t checkRevision(KIVOptions* options, int32_t index) {
        (void)options;
        (void)index;
        return UpdateOk;
    }

    // Loads Updater.dll from the package folder (full path only) and calls
    // its factory. rc: 0, or 7 on any failure (then null is returned).
    static IUpdater* makeUpdater(KIVOptions* options, int32_t* rc);
    // Destroys the updater and releases Updater.dll.
    static bool freeUpdaterLib(IUpdater* updater);
};

// Exported by Updater.dll.
typedef IUpdater* (*DllGetUpdaterFn)();
