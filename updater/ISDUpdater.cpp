#include "ISDUpdater.h"

#include "CIniReader.h"
#include "EngineText.h"
#include "MethodTrace.h"
#include "FlashSequence.h"
#include "IniValueSplit.h"
#include "IpAddressCheck.h"
#include "KIVOptions.h"
#include "PackageFile.h"
#include "PrinterLocks.h"
#include "PrinterCommands.h"
#include "TextCase.h"
#include "VersionCompare.h"
#include "VersionReply.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

const int VersionAttempts = 3;
const int IdentifierAttempts = 3;
// A printer counts as gone for a reset only when this many probes in a row
// found it away: one probe that took too long is not a reset.
const int AwayProbesForReset = 2;
const int FlashScanTries = 30;
const uint32_t FlashScanPauseMs = 1000;
const uint32_t ResetPollMs = 500;
const uint32_t WaitStepMs = 2000;
const int VerifiedPercent = 99;
// More tries than anybody means, and few enough that counting them cannot wrap.
const int32_t MaxRetries = 1000;

void openConfig(CIniReader& ini, KIVOptions* options) {
    ini.setINIFileName(options->getConfigIniPath());
}

// Every value of a list key, without the blanks written after its commas.
std::vector<std::wstring> trimmedValues(CIniReader& ini, const wchar_t* key) {
    std::vector<std::wstring> values = ini.getKeyValue(key);
    for (std::wstring& value : values)
        value = trimBlanks(value);
    return values;
}

// A key the package always supplies. Its absence is a broken package: the
// operation fails with a line naming the key instead of reading nothing.
bool requiredValue(CIniReader& ini, const wchar_t* key, std::wstring& value, MethodTrace& trace) {
    if (ini.firstValue(key, value))
        return true;
    trace.message(L"Missing key in config.ini: ", key);
    return false;
}

// A safety check goes off only when its switch says FALSE: a mistyped value
// ("Yes", "1", "ture") must not flash printers the package was not made for.
bool checkSwitchedOn(const wchar_t* key, const std::wstring& value, MethodTrace& trace) {
    std::wstring upper = upperAscii(value);
    if (upper == L"TRUE")
        return true;
    if (upper == L"FALSE") {
        trace.message(key, L"=FALSE");
        return false;
    }
    trace.message(key, L"=", value, L" is neither TRUE nor FALSE: the check stays on");
    return true;
}

// A firmware part is read and compared only when its key has a first value.
bool configuredPart(CIniReader& ini, const wchar_t* key, std::wstring& value) {
    return ini.keyExists(key) && ini.firstValue(key, value) && !value.empty();
}

const wchar_t* const kVersionKeys[] = {L"FirmwareVersion1", L"FirmwareVersion2",
                                       L"FirmwareVersion3"};

// Whether every firmware part the package declares can be compared with a
// printer's; the first that cannot is told on trace, with ending after it.
bool packageVersionReadable(CIniReader& ini, MethodTrace& trace, const wchar_t* ending) {
    for (size_t part = 0; part < 3; ++part) {
        std::wstring value;
        if (!configuredPart(ini, kVersionKeys[part], value))
            continue;
        const std::wstring fault = VersionCompare::packagePartFault(value, part);
        if (!fault.empty()) {
            trace.message(L"Invalid value in config.ini: ", kVersionKeys[part], L"=", value, L" (",
                          fault, L")", ending);
            return false;
        }
    }
    return true;
}

void appendSegment(std::wstring& result, const std::wstring& value) {
    if (!result.empty())
        result += L"|";
    result += value;
}

// The name of step number step as the file stands now; false past the end.
bool sequenceKey(CIniReader& ini, size_t step, std::wstring& key) {
    const std::vector<std::wstring>& keys = ini.getSectionKeys(L"UpdateSequence");
    if (step >= keys.size())
        return false;
    key = keys[step];
    return true;
}

int32_t incompatibleReason(KIVDevice* device) {
    return device->getType() == KIVDevice::TypeIpAddress ? ReasonWrongPrinter : ReasonIncompatible;
}

// Whether the package's value of key, in capitals, is what the printer said.
// If not, reason says why: a package without the key was not made for the
// printer; another value is the mismatch given, with its line.
bool packageValueIs(CIniReader& ini, const wchar_t* key, const std::wstring& said,
                    KIVDevice* device, int32_t mismatch, const wchar_t* mismatchLine,
                    MethodTrace& trace, int32_t& reason) {
    std::wstring value;
    if (!requiredValue(ini, key, value, trace)) {
        reason = incompatibleReason(device);
        return false;
    }
    if (upperAscii(value) == said)
        return true;
    reason = mismatch;
    trace.message(mismatchLine);
    return false;
}

} // namespace

struct ISDUpdater::VersionParts {
    bool aio;
    bool panel;
    bool flashScan;
};

struct ISDUpdater::FlashRun {
    FlashRun(MethodTrace& t, KIVOptions* o, int32_t i, ProgressCallback p, int64_t s)
        : trace(t), options(o), index(i), progress(p), start(s) {}

    MethodTrace& trace;
    KIVOptions* options;
    int32_t index;
    ProgressCallback progress;
    int64_t start;
    KIVDevice record;
    int32_t budget = 0;
    int32_t bootTimeout = 0;
    int32_t retryTimeout = 0;
    int32_t retries = 0;
};

ISDUpdater::ISDUpdater() : ISDUpdater(nullptr, EngineClock::system()) {}

ISDUpdater::ISDUpdater(IComTarget* target, EngineClock& clock, PrinterLocks* locks)
    : comTarget(target), clock_(&clock), locks_(locks) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::ISDUpdater(): ");
}

ISDUpdater::~ISDUpdater() {
    MethodTrace trace(LogUpdater, L"ISDUpdater::~ISDUpdater(): ");
    delete comTarget;
}

int32_t ISDUpdater::initialize(KIVOptions* options) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::initialize(): ");
    // A second call must not leak the object of the first.
    delete comTarget;
    comTarget = nullptr;
    int32_t rc = 0;
    comTarget = IComTarget::makeComTarget(options, &rc);
    return rc;
}

// Without a communication object (initialize failed) every device counts as
// not answering, so each operation takes its own not-reachable path.
bool ISDUpdater::deviceReady(KIVDevice* device) {
    return comTarget && comTarget->isDeviceReady(device);
}

bool ISDUpdater::deviceAnswers(KIVDevice* device) {
    if (deviceReady(device))
        return true;
    if (!comTarget)
        return false;
    clock_->sleepMs(ResetPollMs);
    return deviceReady(device);
}

// ---------------------------------------------------------------------------
// Version read

std::wstring ISDUpdater::readDeviceVersion(KIVOptions* options, KIVDevice* device, bool* read) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::getDeviceVersionString(): ");
    bool notAsked = false;
    bool& answered = read ? *read : notAsked;
    answered = false;
    CIniReader ini;
    openConfig(ini, options);
    if (!deviceAnswers(device)) {
        trace.message(L"Unable to verify device");
        return std::wstring();
    }
    trace.message(L"Verifying device=", device->getName());

    std::wstring unused;
    VersionParts parts{configuredPart(ini, kVersionKeys[0], unused),
                       configuredPart(ini, kVersionKeys[1], unused),
                       configuredPart(ini, kVersionKeys[2], unused)};
    std::wstring result;
    for (int attempt = 1; attempt <= VersionAttempts; ++attempt) {
        bool ok = readVersionOnce(device, parts, trace, result);
        result = upperAscii(result);
        if (ok) {
            answered = true;
            return result;
        }
        if (attempt < VersionAttempts)
            // Three plain dots: the log writes Latin-1 only and would drop a
            // line carrying an ellipsis character.
            trace.message(L"Unable to read FW version from the device.  Retrying...");
        else
            trace.message(
                L"After 3 attempts the FW version was unable to be read from the device.");
    }
    return result;
}

bool ISDUpdater::readVersionOnce(KIVDevice* device, const VersionParts& parts, MethodTrace& trace,
                                 std::wstring& result) {
    result.clear();
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    comTarget->sendPacket(device, VersionQueryCommand, &reply, &length);
    if (length == 0)
        return false;
    if (!VersionReply::headerMatches(reply, length)) {
        trace.message(L"Invalid data returned");
        return false;
    }
    // Copied now: the reply buffer only lives until the next call.
    std::vector<std::wstring> tokens = VersionReply::tokenize(reply, length);

    if (parts.aio) {
        if (tokens.size() <= VersionReply::AioToken) {
            trace.message(L"Invalid data returned");
            return false;
        }
        result = VersionReply::aioValue(tokens[VersionReply::AioToken]);
        trace.message(L"AIO Firmware version=", result);
    }
    if (parts.panel) {
        std::wstring value;
        bool dotted = false;
        if (VersionReply::panelValue(tokens, value, dotted)) {
            if (!dotted)
                trace.message(L"Op Panel Firmware version=", value);
            appendSegment(result, value);
        } else {
            trace.message(L"Failed to read Op Panel Firmware version!");
            length = 0;
        }
    }
    if (parts.flashScan) {
        std::wstring value;
        if (!readFlashScan(device, trace, value))
            return false;
        appendSegment(result, value);
        length = 1;
    }
    return length != 0;
}

bool ISDUpdater::readFlashScan(KIVDevice* device, MethodTrace& trace, std::wstring& value) {
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    comTarget->sendPacket(device, StatusQueryCommand, &reply, &length);
    if (length == 0) {
        trace.message(L"Printer Busy - Unable to read Flash Scan FW version from the device");
        return false;
    }
    length = 0;
    comTarget->sendRaw(device, FlashScanQueryCommand, &reply, &length,
                       IComTarget::RawAnswersAtOnce);
    if (length <= VersionReply::FlashScanMinimum) {
        unsigned char* ignored = nullptr;
        uint32_t ignoredLength = 0;
        comTarget->sendPacket(device, FlashScanSetupCommand1, &ignored, &ignoredLength);
        comTarget->sendPacket(device, FlashScanSetupCommand2, &ignored, &ignoredLength);
        bool found = false;
        for (int i = 0; i < FlashScanTries && !found; ++i) {
            length = 0;
            comTarget->sendRaw(device, FlashScanQueryCommand, &reply, &length,
                               IComTarget::RawAnswersAtOnce);
            clock_->sleepMs(FlashScanPauseMs);
            found = length > VersionReply::FlashScanMinimum;
        }
        if (!found) {
            trace.message(L"Unable to read Flash Scan FW version from the device");
            return false;
        }
    }
    value = EngineText::widenUntilZero(reply, length);
    trace.message(L"Flash Scan Firmware version=", value);
    return true;
}

void ISDUpdater::getDeviceVersionString(KIVOptions* options, int32_t index, std::wstring* out) {
    KIVDevice record;
    options->getDeviceAt(static_cast<uint32_t>(index), record);
    std::wstring version = readDeviceVersion(options, &record);
    if (out)
        *out = version;
}

// ---------------------------------------------------------------------------
// Version comparison

void ISDUpdater::getPackageVersionString(KIVOptions* options, std::wstring* out) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::getPackageVersionString(): ");
    CIniReader ini;
    openConfig(ini, options);
    std::wstring result;
    std::wstring value;
    if (configuredPart(ini, kVersionKeys[0], value)) {
        trace.message(L"AIO Firmware version=", value);
        result = value;
    }
    if (configuredPart(ini, kVersionKeys[1], value)) {
        value = VersionCompare::packagePanelForm(value);
        trace.message(L"Op Panel Firmware version=", value);
        appendSegment(result, value);
    }
    if (configuredPart(ini, kVersionKeys[2], value)) {
        trace.message(L"Flash Scan Firmware version=", value);
        appendSegment(result, value);
    }
    if (out)
        *out = upperAscii(result);
}

bool ISDUpdater::isPackageNewerThanDevice(KIVOptions* options, int32_t index) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::isPackageNewerThanDevice(): ");
    // A package version that compares as nothing would call every printer
    // newer or older: the printer is offered, and its update says why not.
    CIniReader ini;
    openConfig(ini, options);
    if (!packageVersionReadable(ini, trace, L""))
        return true;
    std::wstring package;
    getPackageVersionString(options, &package);
    trace.message(L"packageFWVersion=", package);
    std::wstring device;
    getDeviceVersionString(options, index, &device);
    trace.message(L"deviceFWVersion=", device);
    if (device.empty()) {
        trace.message(L"deviceFWVersion is blank");
        return true;
    }
    switch (VersionCompare::compare(package, device)) {
    case VersionCompare::PackageNewer:
        trace.message(L"packageFWVersion is newer than the deviceFWVersion");
        return true;
    case VersionCompare::Equal:
        trace.message(L"deviceFWVersion is equal to the packageFWVersion");
        // The comparison leaves the firmware letter out; an image of another
        // letter is another image: such a printer is not up to date, and an
        // update that leaves it did not take. Whether the letter may change
        // is the update's firmware-letter check.
        versionEqual =
            VersionCompare::firmwareLetter(device) == VersionCompare::firmwareLetter(package);
        if (versionEqual)
            return false;
        trace.message(L"deviceFWVersion has another firmware letter");
        return true;
    case VersionCompare::DeviceNewer:
        break;
    }
    trace.message(L"deviceFWVersion is newer than the packageFWVersion");
    versionEqual = false;
    return false;
}

// ---------------------------------------------------------------------------
// Compatibility and enumeration

bool ISDUpdater::isCompatibleDevice(KIVOptions* options, KIVDevice* device, int32_t* reason) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::isCompatibleDevice(): ");
    int32_t unusedReason = 0;
    int32_t& why = reason ? *reason : unusedReason;
    CIniReader ini;
    openConfig(ini, options);
    if (!deviceAnswers(device)) {
        why = unreachableReason(*device);
        trace.message(L"Unable to verify device");
        return false;
    }
    trace.message(L"Verifying device=", device->getName());

    std::wstring value;
    if (!requiredValue(ini, L"VerifyPIDVID", value, trace)) {
        why = incompatibleReason(device);
        return false;
    }
    if (checkSwitchedOn(L"VerifyPIDVID", value, trace) &&
        !checkIdentifiers(device, ini, trace, why))
        return false;
    if (!requiredValue(ini, L"ExactModelMatch", value, trace)) {
        why = incompatibleReason(device);
        return false;
    }
    if (checkSwitchedOn(L"ExactModelMatch", value, trace) &&
        !checkModel(options, device, ini, trace, why))
        return false;
    return true;
}

bool ISDUpdater::checkIdentifiers(KIVDevice* device, CIniReader& ini, MethodTrace& trace,
                                  int32_t& reason) {
    trace.message(L"VerifyPIDVID=TRUE");
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    std::wstring vendor;
    std::wstring product;
    bool read = false;
    for (int attempt = 1; attempt <= IdentifierAttempts && !read; ++attempt) {
        length = 0;
        comTarget->sendPacket(device, IdentifierQueryCommand, &reply, &length);
        // A reply too short to hold both identifiers is as unreadable as none.
        read = length > 0 && VersionReply::identifiers(reply, length, vendor, product);
    }
    if (!read) {
        trace.message(L"Unable to read VID and PID from the Device");
        // Silence says nothing about what the printer is: it answered the
        // search, so it is out of reach, not a printer of another kind.
        if (length == 0) {
            reason = unreachableReason(*device);
            trace.message(L"No reply to the identifier query: device not reachable");
        } else {
            reason = incompatibleReason(device);
        }
        return false;
    }
    if (!packageValueIs(ini, L"VID", vendor, device, ReasonWrongPrinter, L"Envalid VID", trace,
                        reason))
        return false;
    std::vector<std::wstring> pids = trimmedValues(ini, L"PIDs");
    for (const std::wstring& pid : pids) {
        if (upperAscii(pid) == product)
            return true;
    }
    reason = incompatibleReason(device);
    trace.message(L"Envalid PID");
    return false;
}

bool ISDUpdater::checkModel(KIVOptions* options, KIVDevice* device, CIniReader& ini,
                            MethodTrace& trace, int32_t& reason) {
    trace.message(L"ExactModelMatch=TRUE");
    bool read = false;
    std::wstring model = EngineText::before(readDeviceVersion(options, device, &read), L'_');
    if (!read) {
        // No version, no model: the printer is out of reach, not another model.
        reason = unreachableReason(*device);
        trace.message(L"Model name unreadable: device not reachable");
        return false;
    }
    return packageValueIs(ini, L"ModelName", model, device, incompatibleReason(device),
                          L"Envalid Model Name", trace, reason);
}

// The entries that name the address a printer was found at learn that it
// does not fit: the communication library only knew that it answered.
void ISDUpdater::markEnteredAddress(IpAddressArray* addresses, const KIVDevice& record,
                                    int32_t status) {
    if (!addresses || record.getType() != KIVDevice::TypeIpAddress)
        return;
    for (ipAddressObject* entry : *addresses) {
        if (entry && enteredAddress(entry->getAddress()) == record.getIPAddress())
            entry->setStatus(status);
    }
}

int32_t ISDUpdater::enumerateCompatibleDevices(KIVOptions* options, KIVDeviceArray* devices,
                                               IpAddressArray* addresses) {
    return enumerateFoundDevices(options, devices, nullptr, addresses);
}

// The copies handed out are the engine's own: freeDeviceArray deletes them
// and leaves alone any record a caller put in the same array.
bool ISDUpdater::keepCopy(KIVDeviceArray* array, const KIVDevice& record,
                          const std::wstring& version) {
    if (!array)
        return true;
    KIVDevice* copy = new (std::nothrow) KIVDevice(record);
    if (!copy)
        return false;
    copy->setCurrVer(version);
    {
        std::lock_guard<std::mutex> guard(recordsLock_);
        records_.insert(copy);
    }
    array->push_back(copy);
    return true;
}

// The package's printer driver, as its print queues name it.
std::wstring ISDUpdater::packageDriver(KIVOptions* options) {
    CIniReader ini;
    openConfig(ini, options);
    const std::vector<std::wstring> driver = trimmedValues(ini, L"DriverModelName");
    return driver.empty() ? std::wstring() : driver[0];
}

bool ISDUpdater::printsThroughDriver(const KIVDevice& record, const std::wstring& driver) {
    if (driver.empty())
        return false;
    const std::wstring& drivers = record.getQueueDrivers();
    size_t start = 0;
    for (size_t bar = drivers.find(L'|'); bar != std::wstring::npos;
         start = bar + 1, bar = drivers.find(L'|', start)) {
        if (equalsIgnoringCase(drivers.substr(start, bar - start), driver))
            return true;
    }
    return false;
}

int32_t ISDUpdater::enumerateFoundDevices(KIVOptions* options, KIVDeviceArray* devices,
                                          KIVDeviceArray* unchecked, IpAddressArray* addresses) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::enumerateCompatibleDevices(): ");
    KIVDeviceArray* list = nullptr;
    // A search that stopped part way is told as such: the printers it did not
    // reach must not read as printers that are not there.
    bool whole = true;
    if (comTarget) {
        comTarget->createDeviceList(&list);
        if (list && comTarget->enumerateDevices(list, addresses) != 0) {
            trace.message(L"The search for printers stopped part way");
            whole = false;
        }
    }
    if (!list || list->empty()) {
        trace.message(L"Unable to find any devices");
    } else {
        const std::wstring driver = packageDriver(options);
        for (KIVDevice* record : *list) {
            if (!record)
                continue;
            // A spooler port of another maker's printer takes the link and
            // never answers: it is no silent printer of this package unless a
            // queue of the package's driver prints to it.
            const bool claimed =
                record->getType() != KIVDevice::TypeNetwork || printsThroughDriver(*record, driver);
            if (!claimed && record->getHardwareIds().empty()) {
                trace.message(L"Silent at the search, and no queue of this package's driver "
                              L"uses the port: not a printer of this package, device=",
                              record->getName());
                continue;
            }
            int32_t reason = 0;
            if (!deviceAnswers(record)) {
                trace.message(L"Unable to verify device");
                reason = unreachableReason(*record);
            } else if (isCompatibleDevice(options, record, &reason)) {
                if (!keepCopy(devices, *record, readDeviceVersion(options, record))) {
                    trace.message(L"No memory to list device=", record->getName());
                    whole = false;
                }
                continue;
            }
            // Only a printer that told what it is can be called the wrong one.
            if (reason != unreachableReason(*record)) {
                markEnteredAddress(addresses, *record, ipAddressObject::WrongPrinter);
            } else if (!claimed) {
                trace.message(L"Device found but silent, and no queue of this package's driver "
                              L"uses the port: left out, device=",
                              record->getName());
            } else {
                trace.message(L"Device found but not checked: not reachable, device=",
                              record->getName());
                markEnteredAddress(addresses, *record, ipAddressObject::NoPrinter);
                if (!keepCopy(unchecked, *record, std::wstring()))
                    whole = false;
            }
        }
    }
    if (list)
        comTarget->freeDeviceList(&list);
    return whole ? 0 : UpdateFailed;
}

// ---------------------------------------------------------------------------
// Flash sequence

int32_t ISDUpdater::update(KIVOptions* options, int32_t index, ProgressCallback progress,
                           bool sprAnswered) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::update(): ");
    // A pool thread that flashed one printer leaves no flag behind for a
    // thread that later gets its id.
    struct ForgetFlag {
        PerThreadFlag& flag;
        ~ForgetFlag() { flag.forget(); }
    } forget{versionEqual};
    FlashRun run(trace, options, index, progress, clock_->now());
    options->getDeviceAt(static_cast<uint32_t>(index), run.record);
    CIniReader ini;
    openConfig(ini, options);

    // Another update of this printer now, from this run or another, would
    // put its image and commands between this one's; on USB, where every
    // program's bytes share the printer's one channel, so would the version
    // reads of the firmware-letter check. Taken before the first question:
    // a printer that the other update is restarting does not answer, and is
    // not out of reach.
    const std::shared_ptr<void> hold = locks_ ? locks_->take(run.record) : nullptr;
    if (locks_ && !hold) {
        trace.message(L"Printer in use by another update - not updated");
        return UpdateInUse;
    }
    if (!deviceAnswers(&run.record))
        return unverifiable(run);
    // The whole script is checked before anything is sent: a flash that
    // stops at a mistyped item halfway through leaves a half-updated printer.
    if (!readTimers(run, ini) || !checkSequence(run, ini) ||
        !packageVersionReadable(ini, trace, L" - Update Failed!"))
        return UpdateFailed;
    int32_t rc = checkFirmwareLetter(run, ini, sprAnswered);
    if (rc != UpdateOk)
        return rc;
    reportProgress(run);

    unsigned char* reply = nullptr;
    uint32_t length = 0;
    comTarget->sendPacket(&run.record, StatusQueryCommand, &reply, &length);
    if (length == 0) {
        trace.message(L"Printer Busy - Update Failed!");
        return UpdateFailed;
    }
    rc = runSequence(run, ini);
    if (rc != UpdateOk)
        return rc;
    // A printer that never went away is not a failure here: verification
    // decides.
    if (waitForReset(run)) {
        trace.message(L"Boot Timeout.");
        waitSeconds(run, run.bootTimeout);
    }
    return verify(run);
}

int32_t ISDUpdater::checkRevision(KIVOptions* options, int32_t index) {
    MethodTrace trace(LogUpdater, L"ISDUpdater::checkRevision(): ");
    FlashRun run(trace, options, index, nullptr, clock_->now());
    options->getDeviceAt(static_cast<uint32_t>(index), run.record);
    CIniReader ini;
    openConfig(ini, options);
    return checkFirmwareLetter(run, ini, false);
}

int32_t ISDUpdater::unverifiable(FlashRun& run) {
    run.trace.message(L"Unable to verify device - Communication Error");
    return UpdateUnreachable;
}

int32_t ISDUpdater::checkFirmwareLetter(FlashRun& run, CIniReader& ini, bool sprAnswered) {
    if (sprAnswered)
        return UpdateOk;
    std::wstring checkSpr;
    if (!requiredValue(ini, L"CheckSpr", checkSpr, run.trace))
        return UpdateFailed;
    if (!checkSwitchedOn(L"CheckSpr", checkSpr, run.trace))
        return UpdateOk;
    run.trace.message(L"CheckSpr=TRUE");
    // A version that cannot be read says nothing about the firmware letter:
    // the printer did not answer, which is not a revision mismatch.
    bool read = false;
    std::wstring device = readDeviceVersion(run.options, &run.record, &read);
    if (!read)
        return unverifiable(run);
    std::wstring package;
    getPackageVersionString(run.options, &package);
    if (VersionCompare::firmwareLetter(device) == VersionCompare::firmwareLetter(package))
        return UpdateOk;

    device = readDeviceVersion(run.options, &run.record, &read);
    if (!read)
        return unverifiable(run);
    std::wstring segment = upperAscii(EngineText::before(EngineText::before(device, L'|'), L'-'));
    std::vector<std::wstring> allowed = trimmedValues(ini, L"SprList");
    for (const std::wstring& value : allowed) {
        if (upperAscii(value) == segment)
            return UpdateOk;
    }
    run.trace.message(L"Revision Mismatch");
    return UpdateRevisionMismatch;
}

// FlashTimeout is the deadline of every reset wait and the scale of the
// progress: without a positive one a printer applying its image is failed.
bool ISDUpdater::readTimers(FlashRun& run, CIniReader& ini) {
    using FlashSequence::MaxWaitSeconds;
    struct Timer {
        const wchar_t* key;
        int32_t* target;
        int32_t minimum;
        int32_t maximum;
    } timers[] = {{L"FlashTimeout", &run.budget, 1, MaxWaitSeconds},
                  {L"BootTimeout", &run.bootTimeout, 0, MaxWaitSeconds},
                  {L"RetryTimeout", &run.retryTimeout, 0, MaxWaitSeconds},
                  {L"Retries", &run.retries, 0, MaxRetries}};
    for (const Timer& timer : timers) {
        std::wstring value;
        if (!requiredValue(ini, timer.key, value, run.trace))
            return false;
        if (!FlashSequence::parseTimer(value, timer.minimum, timer.maximum, *timer.target)) {
            run.trace.message(L"Invalid value in config.ini: ", timer.key, L"=", value,
                              L" - Update Failed!");
            return false;
        }
    }
    return true;
}

bool ISDUpdater::checkSequence(FlashRun& run, CIniReader& ini) {
    std::vector<std::wstring> keys = ini.getSectionKeys(L"UpdateSequence");
    for (size_t step = 0; step < keys.size(); ++step) {
        const std::wstring& key = keys[step];
        // Every copy of a step written twice reads the first one's items:
        // its image would be sent again and the second copy's never.
        if (std::any_of(keys.begin(), keys.begin() + step,
                        [&](const std::wstring& seen) { return equalsIgnoringCase(seen, key); })) {
            run.trace.message(L"Invalid item in the UpdateSequence section of config.ini: ", key,
                              L" (the step is written twice) - Update Failed!");
            return false;
        }
        FlashSequence::StepType type = FlashSequence::stepTypeOf(key);
        std::vector<std::wstring> items = trimmedValues(ini, key.c_str());
        if (type == FlashSequence::StepOther && items.empty())
            items.push_back(std::wstring());
        for (const std::wstring& item : items) {
            if (!itemRunnable(run, type, key, item))
                return false;
        }
    }
    return true;
}

bool ISDUpdater::itemRunnable(FlashRun& run, int stepType, const std::wstring& key,
                              const std::wstring& item) {
    FlashSequence::StepType type = static_cast<FlashSequence::StepType>(stepType);
    std::wstring fault = FlashSequence::itemFault(type, item);
    if (fault.empty() && type == FlashSequence::StepFiles &&
        !packageFileExists(run.options->getRsrcMgr().getPackagePath() +
                           FlashSequence::parseTimedItem(item).name))
        fault = L"no such file in the package";
    if (fault.empty())
        return true;
    run.trace.message(L"Invalid item in the UpdateSequence section of config.ini: ", key, L"=",
                      item, L" (", fault, L") - Update Failed!");
    return false;
}

// The key list and the item list are both read from the file again for every
// step and for every item, so each item is the one the file holds at that
// moment. The step keeps the type it had when it began.
int32_t ISDUpdater::runSequence(FlashRun& run, CIniReader& ini) {
    size_t itemsRun = 0;
    for (size_t step = 0;; ++step) {
        std::wstring key;
        if (!sequenceKey(ini, step, key)) {
            if (itemsRun > 0)
                return UpdateOk;
            // Without a single step nothing was flashed: verifying a printer
            // that already had this version would report an update that never
            // happened.
            run.trace.message(L"No update step in the UpdateSequence section of config.ini - "
                              L"Update Failed!");
            return UpdateFailed;
        }
        FlashSequence::StepType type = FlashSequence::stepTypeOf(key);
        // The file may have changed since it was checked.
        if (type == FlashSequence::StepOther && !itemRunnable(run, type, key, std::wstring()))
            return UpdateFailed;
        for (size_t item = 0;; ++item) {
            if (!sequenceKey(ini, step, key))
                break;
            std::vector<std::wstring> items = trimmedValues(ini, key.c_str());
            if (item >= items.size())
                break;
            if (!itemRunnable(run, type, key, items[item]))
                return UpdateFailed;
            int32_t rc = runItem(run, type, items[item]);
            if (rc != UpdateOk)
                return rc;
            ++itemsRun;
        }
    }
}

int32_t ISDUpdater::runItem(FlashRun& run, int stepType, const std::wstring& item) {
    int32_t seconds = 0;
    switch (stepType) {
    case FlashSequence::StepFiles: {
        FlashSequence::TimedItem file = FlashSequence::parseTimedItem(item);
        std::wstring path = run.options->getRsrcMgr().getPackagePath() + file.name;
        int32_t sent = comTarget->sendFile(&run.record, path.c_str());
        // A printer that already had this version would otherwise verify as
        // updated although it got nothing.
        if (sent != 0) {
            run.trace.message(L"File Send Failed=", file.name, L": ",
                              FlashSequence::sendFailureText(sent), L" (rc=", sent,
                              L") - Update Failed!");
            return UpdateFailed;
        }
        run.trace.message(L"File Sent=", file.name);
        seconds = file.seconds;
        break;
    }
    case FlashSequence::StepExec: {
        FlashSequence::TimedItem exec = FlashSequence::parseTimedItem(item);
        if (FlashSequence::isResetAction(exec.name) && !waitForReset(run)) {
            run.trace.message(L"Device did not POR.");
            return UpdateFailed;
        }
        seconds = exec.seconds;
        break;
    }
    case FlashSequence::StepCmds: {
        int32_t rc = runCommand(run, item, seconds);
        if (rc != UpdateOk)
            return rc;
        break;
    }
    default:
        return UpdateOk;
    }
    waitSeconds(run, seconds);
    return UpdateOk;
}

int32_t ISDUpdater::runCommand(FlashRun& run, const std::wstring& item, int32_t& seconds) {
    FlashSequence::CmdItem cmd = FlashSequence::parseCmdItem(item);
    seconds = cmd.seconds;
    unsigned char* reply = nullptr;
    uint32_t length = 0;
    // A printer may still be busy with the step before (erasing, writing
    // flash) and start its answer late; that is not "No Response".
    const int32_t sent = comTarget->sendRaw(&run.record, cmd.command.c_str(), &reply, &length,
                                            IComTarget::RawAnswersInTime);
    // A command the printer never got is no step done, whatever reply it
    // would have accepted.
    if (sent != IComTarget::Answered && sent != IComTarget::NotAnswered) {
        run.trace.message(L"Cmd Send Failed=", cmd.command, L", rc=", sent);
        return UpdateFailed;
    }
    run.trace.message(L"Cmd Sent=", cmd.command);
    if (FlashSequence::acceptsAnyReply(cmd.expected))
        return UpdateOk;
    if (length == 0) {
        run.trace.message(L"No Response");
        return UpdateFailed;
    }
    std::wstring hex = EngineText::hexText(reply, length);
    if (!FlashSequence::replyAccepted(cmd.expected, hex)) {
        run.trace.message(L"Invalid Response=", hex);
        return UpdateFailed;
    }
    reportProgress(run);
    return UpdateOk;
}

// Every reset wait ends at the same moment, start + FlashTimeout: the budget
// covers the whole update, not each wait.
bool ISDUpdater::waitForReset(FlashRun& run) {
    run.trace.message(L"Waiting for device to POR...");
    const int64_t deadline = run.start + run.budget;
    int awayProbes = 0;
    while (clock_->now() < deadline) {
        if (!deviceReady(&run.record)) {
            ++awayProbes;
        } else if (awayProbes >= AwayProbesForReset) {
            run.trace.message(L"Device has PORed.");
            return true;
        } else {
            awayProbes = 0;
        }
        clock_->sleepMs(ResetPollMs);
        reportProgress(run);
    }
    return false;
}

void ISDUpdater::waitSeconds(FlashRun& run, int32_t seconds) {
    const int64_t deadline = clock_->now() + seconds;
    while (clock_->now() < deadline) {
        clock_->sleepMs(WaitStepMs);
        reportProgress(run);
    }
}

int32_t ISDUpdater::verify(FlashRun& run) {
    // Whether the printer still reports an older version; once it does not,
    // the check is as done as the progress goes, and versionEqual tells
    // whether the update took.
    auto stillOlder = [&] {
        if (isPackageNewerThanDevice(run.options, run.index))
            return true;
        if (run.progress)
            run.progress(VerifiedPercent);
        return false;
    };
    if (!stillOlder()) {
        run.trace.message(versionEqual ? L"Update completed!" : L"Update Failed!");
        return versionEqual ? UpdateOk : UpdateFailed;
    }
    for (int32_t attempt = 1; attempt <= run.retries; ++attempt) {
        run.trace.message(L"Retry Timeout.");
        waitSeconds(run, run.retryTimeout);
        if (!stillOlder() && versionEqual) {
            run.trace.message(L"Update completed!");
            return UpdateOk;
        }
        run.trace.message(L"Unable to verify FW Version from the Device...Trying Again.");
    }
    run.trace.message(L"Update Failed!");
    return UpdateFailed;
}

void ISDUpdater::reportProgress(FlashRun& run) {
    int percent = FlashSequence::progressPercent(run.start, clock_->now(), run.budget);
    if (percent >= 0 && run.progress)
        run.progress(percent);
}

// ---------------------------------------------------------------------------
// Arrays and pass-through

void ISDUpdater::createDeviceArray(KIVDeviceArray** out) {
    if (out)
        *out = new (std::nothrow) KIVDeviceArray();
}

// The records that this engine put into the array go with it; a record the
// caller added itself is the caller's.
void ISDUpdater::freeDeviceArray(KIVDeviceArray** array) {
    if (!array || !*array)
        return;
    {
        std::lock_guard<std::mutex> guard(recordsLock_);
        for (KIVDevice* record : **array) {
            if (record && records_.erase(record) == 1)
                delete record;
        }
    }
    delete *array;
    *array = nullptr;
}

size_t ISDUpdater::recordsHeld() const {
    std::lock_guard<std::mutex> guard(recordsLock_);
    return records_.size();
}

void ISDUpdater::reserved(uint32_t, uint32_t) {}

int32_t ISDUpdater::forwardExtension1(uint32_t value) {
    return comTarget ? comTarget->extension1(value) : 0;
}

int32_t ISDUpdater::forwardExtension2(uint32_t value) {
    return comTarget ? comTarget->extension2(value) : 0;
}
