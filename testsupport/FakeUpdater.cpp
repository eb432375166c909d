#include "FakeUpdater.h"

#include <stdexcept>

FakeEnginePrinter* FakeUpdater::find(const KIVDevice& device) {
    for (FakeEnginePrinter& p : printers) {
        if (p.name == device.getName() && p.port == device.getPortName() &&
            p.ip == device.getIPAddress())
            return &p;
    }
    return nullptr;
}

FakeEnginePrinter* FakeUpdater::atIndex(KIVOptions* options, int32_t index) {
    KIVDevice device;
    if (options->getDeviceAt(static_cast<uint32_t>(index), device) != 0)
        return nullptr;
    return find(device);
}

int32_t FakeUpdater::update(KIVOptions* options, int32_t index, ProgressCallback progress,
                            bool sprAnswered) {
    FakeEnginePrinter* p = atIndex(options, index);
    if (!p)
        return UpdateUnreachable;
    {
        std::lock_guard<std::mutex> guard(lock_);
        updated.push_back(p->name);
        sprAnsweredSeen.push_back(sprAnswered);
    }
    if (duringUpdate)
        duringUpdate(p->name);
    for (int percent : p->progress) {
        if (progress)
            progress(percent);
    }
    if (p->updateThrows)
        throw std::runtime_error("engine failure");
    if (p->updateResult == UpdateOk) {
        std::lock_guard<std::mutex> guard(lock_);
        p->version = packageVersion;
        if (p->awayAfterUpdate)
            p->reachable = false;
    }
    return p->updateResult;
}

void FakeUpdater::getDeviceVersionString(KIVOptions* options, int32_t index, std::wstring* out) {
    FakeEnginePrinter* p = atIndex(options, index);
    std::lock_guard<std::mutex> guard(lock_);
    *out = p && p->reachable && p->answersCheck ? p->version : std::wstring();
}

bool FakeUpdater::isPackageNewerThanDevice(KIVOptions* options, int32_t index) {
    FakeEnginePrinter* p = atIndex(options, index);
    if (p && p->newerThrows)
        throw std::runtime_error("version read failed");
    return p && p->packageNewer;
}

int32_t FakeUpdater::checkRevision(KIVOptions* options, int32_t index) {
    FakeEnginePrinter* p = atIndex(options, index);
    return p ? p->revisionResult : UpdateUnreachable;
}

bool FakeUpdater::isCompatibleDevice(KIVOptions*, KIVDevice* device, int32_t* reason) {
    FakeEnginePrinter* p = find(*device);
    if (p && duringCheck)
        duringCheck(p->name);
    const bool address = device->getType() == KIVDevice::TypeIpAddress;
    if (!p || !p->reachable || !p->answersCheck) {
        *reason = address ? 2 : 9;
        return false;
    }
    if (!p->compatible || p->refusedAtCheck) {
        *reason = address ? 3 : 10;
        return false;
    }
    return true;
}

int32_t FakeUpdater::enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                                IpAddressArray* addresses) {
    return enumerateFoundDevices(options, devices, nullptr, addresses);
}

int32_t FakeUpdater::enumerateFoundDevices(KIVOptions*, KIVDeviceArray* devices,
                                           KIVDeviceArray* unchecked, IpAddressArray* addresses) {
    ++enumerations;
    enumeratedWithAddresses = addresses != nullptr;
    // Printers behind a spooler port or on USB are always listed; a printer
    // known only by its address is found when that address is probed. As the
    // link lists them, a spooler printer whose address is probed is listed
    // once, as the address's printer that keeps its port's name.
    for (FakeEnginePrinter& p : printers) {
        bool probed = false;
        if (addresses) {
            for (ipAddressObject* a : *addresses) {
                if (a->getAddress() == p.ip &&
                    (p.type == KIVDevice::TypeIpAddress || p.type == KIVDevice::TypeNetwork)) {
                    probed = true;
                    a->setStatus(!p.reachable || !p.answersCheck ? ipAddressObject::NoPrinter
                                 : p.compatible                  ? ipAddressObject::PrinterFound
                                                                 : ipAddressObject::WrongPrinter);
                }
            }
        }
        if (p.type == KIVDevice::TypeIpAddress && !probed)
            continue;
        KIVDeviceArray* into = !p.answersCheck ? unchecked : devices;
        if (!p.reachable || !p.compatible || !into)
            continue;
        auto record = std::make_unique<KIVDevice>();
        record->setName(p.name);
        record->setPortName(p.port);
        record->setIPAddress(p.ip);
        record->setType(probed ? KIVDevice::TypeIpAddress : p.type);
        record->setCurrVer(p.answersCheck ? p.version : std::wstring());
        into->push_back(record.get());
        records_.push_back(std::move(record));
    }
    if (addresses) {
        for (ipAddressObject* a : *addresses)
            probedAddresses.push_back(a->getAddress());
    }
    return enumerateResult;
}

void FakeUpdater::createDeviceArray(KIVDeviceArray** out) {
    ++arraysMade;
    *out = new KIVDeviceArray();
}

void FakeUpdater::freeDeviceArray(KIVDeviceArray** array) {
    if (*array) {
        ++arraysFreed;
        delete *array;
    }
}
