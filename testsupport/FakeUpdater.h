// An engine stand-in for the update modes' tests: a set of printers with
// scripted answers, and a record of what the mode asked of it.
#pragma once

#include "IUpdater.h"
#include "KIVOptions.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct FakeEnginePrinter {
    std::wstring name;
    std::wstring port;
    std::wstring ip;
    int32_t type = KIVDevice::TypeNetwork;
    std::wstring version = L"K206_G010111_00";
    bool reachable = true;
    // Answers the search but stops answering before its identity is read.
    bool answersCheck = true;
    // Out of reach once its update returned: its version cannot be read back.
    bool awayAfterUpdate = false;
    bool compatible = true;
    // Listed by the search, but refused by the check before its update.
    bool refusedAtCheck = false;
    bool packageNewer = true;
    bool newerThrows = false; // isPackageNewerThanDevice() throws
    int32_t updateResult = IUpdater::UpdateOk;
    bool updateThrows = false; // update() throws after its progress reports
    std::vector<int> progress; // percentages reported during update()
    // What checkRevision() says.
    int32_t revisionResult = IUpdater::UpdateOk;
};

class FakeUpdater : public IUpdater {
public:
    std::vector<FakeEnginePrinter> printers;
    std::wstring packageVersion = L"K206_G082511_00";

    // What the mode did.
    std::vector<std::wstring> updated; // names, in call order
    std::vector<bool> sprAnsweredSeen; // one per update() call
    std::vector<std::wstring> probedAddresses;
    bool enumeratedWithAddresses = false;
    // Runs inside update() before its progress reports, on the updating
    // thread, without the fake's lock: lets a test hold updates in flight.
    std::function<void(const std::wstring& name)> duringUpdate;
    // Runs inside isCompatibleDevice() for a printer the fake knows.
    std::function<void(const std::wstring& name)> duringCheck;
    int enumerations = 0;
    int32_t enumerateResult = 0; // what enumerateFoundDevices() returns
    int arraysMade = 0;
    int arraysFreed = 0;

    int32_t initialize(KIVOptions*) override { return 0; }
    int32_t update(KIVOptions* options, int32_t index, ProgressCallback progress,
                   bool sprAnswered) override;
    void getDeviceVersionString(KIVOptions* options, int32_t index, std::wstring* out) override;
    void getPackageVersionString(KIVOptions*, std::wstring* out) override { *out = packageVersion; }
    bool isPackageNewerThanDevice(KIVOptions* options, int32_t index) override;
    bool isCompatibleDevice(KIVOptions* options, KIVDevice* device, int32_t* reason) override;
    int32_t enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                       IpAddressArray* addresses) override;
    int32_t enumerateFoundDevices(KIVOptions* options, KIVDeviceArray* devices,
                                  KIVDeviceArray* unchecked, IpAddressArray* addresses) override;
    void createDeviceArray(KIVDeviceArray** out) override;
    void freeDeviceArray(KIVDeviceArray** array) override;
    void reserved(uint32_t, uint32_t) override {}
    int32_t forwardExtension1(uint32_t) override { return 0; }
    int32_t forwardExtension2(uint32_t) override { return 0; }
    int32_t checkRevision(KIVOptions* options, int32_t index) override;

private:
    FakeEnginePrinter* find(const KIVDevice& device);
    FakeEnginePrinter* atIndex(KIVOptions* options, int32_t index);
    std::vector<std::unique_ptr<KIVDevice>> records_;
    // update() may run on several threads at once.
    std::mutex lock_;
};
