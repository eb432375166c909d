#include "AddressSearch.h"

#include "IUpdater.h"
#include "ipAddressObject.h"

AddressSearch AddressSearch::run(IUpdater& updater, KIVOptions* options,
                                 const std::wstring& address) {
    AddressSearch result{NoPrinter, nullptr};
    KIVDeviceArray* found = nullptr;
    updater.createDeviceArray(&found);
    if (!found)
        return result;
    ipAddressObject record(address);
    record.setStatus(ipAddressObject::NoPrinter);
    IpAddressArray addresses{&record};
    updater.enumerateCompatibleDevices(options, found, &addresses);
    // A copy of our own: the engine's records go with its array.
    for (KIVDevice* device : *found) {
        if (device && device->getIPAddress() == address) {
            result.device.reset(new KIVDevice(*device));
            break;
        }
    }
    updater.freeDeviceArray(&found);
    // The engine lists only printers that fit the package, so a foreign
    // printer is known by its address record alone.
    const int32_t status = record.getStatus();
    if (status == ipAddressObject::WrongPrinter) {
        result.device.reset();
        result.outcome = WrongPrinter;
    } else if (status != ipAddressObject::NoPrinter && result.device) {
        result.outcome = Found;
    } else {
        result.device.reset();
    }
    return result;
}
