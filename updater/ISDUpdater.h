// The updater engine behind IUpdater: version reads and comparison,
// compatibility, enumeration and the scripted flash sequence.
#pragma once

#include "EngineClock.h"
#include "IComTarget.h"
#include "IUpdater.h"
#include "LoggerLease.h"
#include "PerThreadFlag.h"

#include <cstdint>
#include <mutex>
#include <set>
#include <string>

class CIniReader;
class MethodTrace;
class PrinterLocks;

class ISDUpdater : public IUpdater {
public:
    ISDUpdater();
    // Takes ownership of comTarget (may be null); the clock and the locks
    // must outlive the object. Lets tests run the engine on scripted devices
    // and fake time. Without locks nothing keeps another update of the same
    // printer out.
    ISDUpdater(IComTarget* comTarget, EngineClock& clock, PrinterLocks* locks = nullptr);
    ~ISDUpdater() override;
    ISDUpdater(const ISDUpdater&) = delete;
    ISDUpdater& operator=(const ISDUpdater&) = delete;

    int32_t initialize(KIVOptions* options) override;
    int32_t update(KIVOptions* options, int32_t index, ProgressCallback progress,
                   bool sprAnswered) override;
    void getDeviceVersionString(KIVOptions* options, int32_t index, std::wstring* out) override;
    void getPackageVersionString(KIVOptions* options, std::wstring* out) override;
    bool isPackageNewerThanDevice(KIVOptions* options, int32_t index) override;
    bool isCompatibleDevice(KIVOptions* options, KIVDevice* device, int32_t* reason) override;
    int32_t enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                       IpAddressArray* addresses) override;
    int32_t enumerateFoundDevices(KIVOptions* options, KIVDeviceArray* devices,
                                  KIVDeviceArray* unchecked, IpAddressArray* addresses) override;
    int32_t checkRevision(KIVOptions* options, int32_t index) override;
    void createDeviceArray(KIVDeviceArray** out) override;
    void freeDeviceArray(KIVDeviceArray** array) override;
    void reserved(uint32_t a, uint32_t b) override;
    int32_t forwardExtension1(uint32_t value) override;
    int32_t forwardExtension2(uint32_t value) override;

    // Device records made by enumerations and not yet freed with their array.
    size_t recordsHeld() const;

private:
    struct VersionParts;
    struct FlashRun;

    // One probe.
    bool deviceReady(KIVDevice* device);
    // A probe, and a second one after a pause when the first got no answer:
    // one slow probe does not make a printer unreachable.
    bool deviceAnswers(KIVDevice* device);
    // False when there was no memory for the copy.
    bool keepCopy(KIVDeviceArray* array, const KIVDevice& record, const std::wstring& version);
    static std::wstring packageDriver(KIVOptions* options);
    static bool printsThroughDriver(const KIVDevice& record, const std::wstring& driver);
    static void markEnteredAddress(IpAddressArray* addresses, const KIVDevice& record,
                                   int32_t status);
    // read, when given, tells whether the device answered with a version.
    std::wstring readDeviceVersion(KIVOptions* options, KIVDevice* device, bool* read = nullptr);
    bool readVersionOnce(KIVDevice* device, const VersionParts& parts, MethodTrace& trace,
                         std::wstring& result);
    bool readFlashScan(KIVDevice* device, MethodTrace& trace, std::wstring& value);
    bool checkIdentifiers(KIVDevice* device, CIniReader& ini, MethodTrace& trace, int32_t& reason);
    bool checkModel(KIVOptions* options, KIVDevice* device, CIniReader& ini, MethodTrace& trace,
                    int32_t& reason);

    int32_t checkFirmwareLetter(FlashRun& run, CIniReader& ini, bool sprAnswered);
    // The printer does not answer well enough to be verified: 13.
    int32_t unverifiable(FlashRun& run);
    bool readTimers(FlashRun& run, CIniReader& ini);
    bool checkSequence(FlashRun& run, CIniReader& ini);
    // False, with a line naming the item, when the item cannot run as written.
    bool itemRunnable(FlashRun& run, int stepType, const std::wstring& key,
                      const std::wstring& item);
    int32_t runSequence(FlashRun& run, CIniReader& ini);
    int32_t runItem(FlashRun& run, int stepType, const std::wstring& item);
    int32_t runCommand(FlashRun& run, const std::wstring& item, int32_t& seconds);
    bool waitForReset(FlashRun& run);
    void waitSeconds(FlashRun& run, int32_t seconds);
    int32_t verify(FlashRun& run);
    void reportProgress(FlashRun& run);

    LoggerLease loggerLease_; // first: the last member to go
    // Set by the comparison and read by the flash sequence of the same
    // thread; threads flashing other printers keep their own.
    PerThreadFlag versionEqual;
    IComTarget* comTarget;
    EngineClock* clock_;
    PrinterLocks* locks_;
    // The records this engine made, so that freeing an array frees them and
    // nothing else it may hold. Enumerations run on several threads at once.
    mutable std::mutex recordsLock_;
    std::set<const KIVDevice*> records_;
};
