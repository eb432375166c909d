// The engine against scripted printers on fake time: version read,
// comparison, compatibility, enumeration and the flash sequence.
#include "EngineTestSupport.h"
#include "PrinterLocks.h"

#include <cmath>
#include <functional>
#include <set>
#include <thread>

namespace {

const wchar_t VersionQuery[] = L"packet:A5000750E08100020510";
const wchar_t StatusQuery[] = L"packet:A5000750E08100020011";
const wchar_t FlashScanRaw[] = L"raw:1B2A730108";

} // namespace

// ---------------------------------------------------------------------------
// Version read

using VersionRead = EngineTest;

TEST_F(VersionRead, UnansweringDeviceGivesEmptyWithoutSending) {
    com_->printer(L"P1").offline = true;
    EXPECT_EQ(deviceVersion(), L"");
    EXPECT_EQ(com_->count(VersionQuery), 0u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Unable to verify device"), 1u);
}

TEST_F(VersionRead, NoFirmwareKeysSendOnlyTheQuery) {
    config_.remove("FirmwareVersion1");
    EXPECT_EQ(deviceVersion(), L"");
    ASSERT_EQ(com_->calls.size(), 2u);
    EXPECT_EQ(com_->calls[1], VersionQuery);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Verifying device=P1"), 1u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): After 3 attempts the FW version was "
                     "unable to be read from the device."),
              0u);
}

TEST_F(VersionRead, ThreePartsAreJoinedAndUpperCased) {
    config_.set("FirmwareVersion2", "AB.123456_CDEFG");
    config_.set("FirmwareVersion3", "FSV_082511_01");
    FakePrinter& p = com_->printer(L"P1");
    p.aio = "k206_g082511_00trailer";
    p.panel = "ab.123456";
    p.panelTail = "cdefg";
    p.flashScan = "fsv_082511_01";
    EXPECT_EQ(deviceVersion(), L"K206_G082511_00|AB.123456.CDFG|FSV_082511_01");
    EXPECT_EQ(com_->count(VersionQuery), 1u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): AIO Firmware version=k206_g082511_00"),
              1u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Flash Scan Firmware version="
                     "fsv_082511_01"),
              1u);
    // The dotted panel form is not logged; the other form is.
    p.panel = "np1.234567";
    EXPECT_EQ(deviceVersion(), L"K206_G082511_00|NP1.2345|FSV_082511_01");
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Op Panel Firmware version=np1.2345"),
              1u);
}

TEST_F(VersionRead, HeaderMismatchUsesAllThreeAttempts) {
    com_->printer(L"P1").badHeader = true;
    EXPECT_EQ(deviceVersion(), L"");
    EXPECT_EQ(com_->count(VersionQuery), 3u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Invalid data returned"), 3u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Unable to read FW version from the "
                     "device.  Retrying..."),
              2u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): After 3 attempts the FW version was "
                     "unable to be read from the device."),
              1u);
    // The attempts follow each other without a pause.
    EXPECT_TRUE(clock_.sleeps.empty());
}

TEST_F(VersionRead, RepliesTooShortAreFailedAttempts) {
    FakePrinter& p = com_->printer(L"P1");
    Bytes header = {0xA5, 0x00, 0x10, 0x50, 0xE0, 0x81};
    Bytes twoTokens = versionWith("X");
    twoTokens.resize(7 + 4); // header and " FW " only: no token 2
    p.script[L"A5000750E08100020510"] = {header, twoTokens, Bytes{0xA5}};
    EXPECT_EQ(deviceVersion(), L"");
    EXPECT_EQ(com_->count(VersionQuery), 3u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Invalid data returned"), 3u);
    // The next read is whole again.
    EXPECT_EQ(deviceVersion(), L"K206_G010111_00");
}

TEST_F(VersionRead, PanelFailureLeavesTheFlashScanToDecide) {
    config_.set("FirmwareVersion2", "AB.123456_CDEFG");
    config_.set("FirmwareVersion3", "FSV_082511_01");
    FakePrinter& p = com_->printer(L"P1");
    p.panel = "";
    p.panelTail = "";
    p.flashScan = "FSV_082511_01";
    EXPECT_EQ(deviceVersion(), L"K206_G010111_00|FSV_082511_01");
    EXPECT_EQ(com_->count(VersionQuery), 1u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Failed to read Op Panel Firmware "
                     "version!"),
              1u);

    // Without a flash scan part to follow, the panel failure fails the attempt
    // and the third attempt's partial result is returned.
    config_.remove("FirmwareVersion3");
    com_->calls.clear();
    EXPECT_EQ(deviceVersion(), L"K206_G010111_00");
    EXPECT_EQ(com_->count(VersionQuery), 3u);
}

TEST_F(VersionRead, FlashScanNeedsMoreThanNineBytes) {
    config_.remove("FirmwareVersion1");
    config_.set("FirmwareVersion3", "FSV_0825");
    FakePrinter& p = com_->printer(L"P1");
    p.flashScan = "FSV_08251"; // nine characters and the zero: ten bytes
    EXPECT_EQ(deviceVersion(), L"FSV_08251");
    EXPECT_EQ(com_->count(FlashScanRaw), 1u);
    EXPECT_EQ(com_->count(L"packet:A5000D50E082020300030000FFF00101"), 0u);

    p.flashScan = "FSV_0825"; // nine bytes: never a version
    com_->calls.clear();
    EXPECT_EQ(deviceVersion(), L"");
    EXPECT_EQ(com_->count(L"packet:A5000D50E082020300030000FFF00101"), 3u);
    EXPECT_EQ(com_->count(L"packet:A5000550E0820202"), 3u);
    EXPECT_EQ(com_->count(FlashScanRaw), 3u * 31u);
    EXPECT_EQ(clock_.sleepsOf(1000), 3u * 30u);
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Unable to read Flash Scan FW version "
                     "from the device"),
              3u);
}

TEST_F(VersionRead, FlashScanAfterSetUp) {
    config_.set("FirmwareVersion3", "FSV_082511_01");
    FakePrinter& p = com_->printer(L"P1");
    p.flashScan = "FSV_082511_01";
    p.flashScanSetupTries = 2;
    EXPECT_EQ(deviceVersion(), L"K206_G010111_00|FSV_082511_01");
    EXPECT_EQ(com_->count(L"packet:A5000D50E082020300030000FFF00101"), 1u);
    EXPECT_EQ(com_->count(FlashScanRaw), 1u + 3u);
    EXPECT_EQ(clock_.sleepsOf(1000), 3u);

    p.busy = true;
    EXPECT_EQ(deviceVersion(), L"K206_G010111_00");
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Printer Busy - Unable to read Flash "
                     "Scan FW version from the device"),
              3u);
}

// ---------------------------------------------------------------------------
// Version comparison

using VersionComparison = EngineTest;

TEST_F(VersionComparison, PackageStringEditsThePanelValue) {
    config_.set("FirmwareVersion1", "k206_g082511_00");
    config_.set("FirmwareVersion2", "AB.123456_CDEFG");
    config_.set("FirmwareVersion3", "fsv_082511_01");
    writeConfig();
    std::wstring out;
    updater_->getPackageVersionString(&options_, &out);
    EXPECT_EQ(out, L"K206_G082511_00|AB.123456.CDFG|FSV_082511_01");
    EXPECT_EQ(logged("ISDUpdater::getPackageVersionString(): Op Panel Firmware version="
                     "AB.123456.CDFG"),
              1u);

    // A value too short for the edit is kept as far as it goes.
    config_.remove("FirmwareVersion1");
    config_.set("FirmwareVersion2", "AB.1234");
    config_.remove("FirmwareVersion3");
    writeConfig();
    updater_->getPackageVersionString(&options_, &out);
    EXPECT_EQ(out, L"AB.1234");
    // An empty first value switches the part off.
    config_.set("FirmwareVersion2", ",");
    writeConfig();
    updater_->getPackageVersionString(&options_, &out);
    EXPECT_EQ(out, L"");
}

TEST_F(VersionComparison, OutcomesAndTheirLines) {
    writeConfig();
    FakePrinter& p = com_->printer(L"P1");
    p.offline = true;
    EXPECT_TRUE(updater_->isPackageNewerThanDevice(&options_, 0));
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion is blank"), 1u);

    // The same build with another firmware letter is another image.
    p.offline = false;
    p.aio = "K206_H082511_00";
    EXPECT_TRUE(updater_->isPackageNewerThanDevice(&options_, 0));
    p.aio = "K206_G082511_00";
    EXPECT_FALSE(updater_->isPackageNewerThanDevice(&options_, 0));
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion is equal to the "
                     "packageFWVersion"),
              2u);
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion has another "
                     "firmware letter"),
              1u);
    p.aio = "K206_G082611_00";
    EXPECT_FALSE(updater_->isPackageNewerThanDevice(&options_, 0));
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion is newer than the "
                     "packageFWVersion"),
              1u);
    p.aio = "K206_G082411_07";
    EXPECT_TRUE(updater_->isPackageNewerThanDevice(&options_, 0));
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): packageFWVersion is newer than the "
                     "deviceFWVersion"),
              1u);
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): packageFWVersion=K206_G082511_00"),
              5u);
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion=K206_G082411_07"),
              1u);

    // A panel version written as the printer shows it, its parts apart, is
    // compared; a comment after it makes the package version unreadable.
    p.aio = "K206_G082511_00";
    p.panel = "ab.123456";
    p.panelTail = "cdefg";
    config_.set("FirmwareVersion2", "AB.123456 CDEFG");
    writeConfig();
    EXPECT_FALSE(updater_->isPackageNewerThanDevice(&options_, 0));
    config_.set("FirmwareVersion2", "AB.123456 CDEFG ; panel");
    writeConfig();
    EXPECT_TRUE(updater_->isPackageNewerThanDevice(&options_, 0));
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): Invalid value in config.ini: "
                     "FirmwareVersion2=AB.123456 CDEFG ; panel (a version holds no blank)"),
              1u);
}

// ---------------------------------------------------------------------------
// Compatibility

class Compatibility : public EngineTest {
protected:
    bool check(const std::wstring& name, int32_t type, int32_t& reason) {
        writeConfig();
        KIVDevice device;
        device.setName(name);
        device.setType(type);
        return updater_->isCompatibleDevice(&options_, &device, &reason);
    }
};

TEST_F(Compatibility, SwitchesOffAcceptAnyAnsweringDevice) {
    config_.set("VerifyPIDVID", "false");
    config_.set("ExactModelMatch", "False");
    com_->printer(L"X").vid = 0x1111;
    com_->printer(L"X").aio = "Z999_G010111_00";
    int32_t reason = 77;
    EXPECT_TRUE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 77);
    EXPECT_EQ(com_->count(L"packet:A5000750E08100020013"), 0u);

    com_->printer(L"X").offline = true;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeIpAddress, reason));
    EXPECT_EQ(reason, 2);
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 9);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Unable to verify device"), 2u);
}

TEST_F(Compatibility, VendorMismatchIsReasonThreeForEveryType) {
    config_.set("VID", "1a2b");
    config_.set("ExactModelMatch", "false");
    com_->printer(L"X").vid = 0x1A2B;
    int32_t reason = 0;
    EXPECT_TRUE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): VerifyPIDVID=TRUE"), 1u);

    com_->printer(L"X").vid = 0x1A2C;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 3);
    reason = 0;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeIpAddress, reason));
    EXPECT_EQ(reason, 3);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Envalid VID"), 2u);
}

TEST_F(Compatibility, ProductListAndItsReasons) {
    config_.set("PIDs", "1234, 5678");
    config_.set("ExactModelMatch", "false");
    com_->printer(L"X").pid = 0x5678;
    int32_t reason = 0;
    EXPECT_TRUE(check(L"X", KIVDevice::TypeUsb, reason)); // the blank is not part of it

    com_->printer(L"X").pid = 0x9999;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeIpAddress, reason));
    EXPECT_EQ(reason, 3);
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 10);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Envalid PID"), 2u);

    // A list that is absent accepts nothing.
    config_.remove("PIDs");
    com_->printer(L"X").pid = 0x31C7;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
}

TEST_F(Compatibility, OnlyAnExplicitFalseSwitchesACheckOff) {
    FakePrinter& p = com_->printer(L"P1");
    p.vid = 0x1111;
    p.aio = "X999_G010111_00";
    config_.set("VerifyPIDVID", "Yes");
    config_.set("ExactModelMatch", "1");
    int32_t reason = 0;
    EXPECT_FALSE(check(L"P1", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 3);
    p.vid = 0x7B1E;
    EXPECT_FALSE(check(L"P1", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 10);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): ExactModelMatch=1 is neither TRUE nor "
                     "FALSE: the check stays on"),
              1u);

    // The firmware-letter check keeps to the same rule.
    config_.set("CheckSpr", "ture");
    p.aio = "K206_H010111_00";
    EXPECT_EQ(runUpdate(), IUpdater::UpdateRevisionMismatch);
}

TEST_F(Compatibility, IdentifierReplyShorterThanFifteenBytesIsUnreadable) {
    com_->printer(L"X").identifierLength = 14;
    int32_t reason = 0;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 10);
    EXPECT_FALSE(check(L"X", KIVDevice::TypeIpAddress, reason));
    EXPECT_EQ(reason, 3);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Unable to read VID and PID from the "
                     "Device"),
              2u);
}

TEST_F(Compatibility, ModelNameIsTheTextBeforeTheFirstUnderscore) {
    config_.set("ModelName", "k206");
    int32_t reason = 0;
    EXPECT_TRUE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): ExactModelMatch=TRUE"), 1u);

    // Without "_" the whole version string is the model ("K2" after the cut).
    com_->printer(L"X").aio = "K2";
    config_.set("ModelName", "K2");
    EXPECT_TRUE(check(L"X", KIVDevice::TypeUsb, reason));

    com_->printer(L"X").aio = "K207_G010111_00";
    config_.set("ModelName", "K206");
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 10);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Envalid Model Name"), 1u);
}

TEST_F(Compatibility, MissingRequiredKeysFailWithALine) {
    int32_t reason = 0;
    config_.remove("VerifyPIDVID");
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 10);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Missing key in config.ini: VerifyPIDVID"),
              1u);

    config_.set("VerifyPIDVID", "TRUE");
    config_.remove("VID");
    reason = 0;
    EXPECT_FALSE(check(L"X", KIVDevice::TypeIpAddress, reason));
    EXPECT_EQ(reason, 3);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Missing key in config.ini: VID"), 1u);

    config_.set("VerifyPIDVID", "false");
    config_.remove("ModelName");
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Missing key in config.ini: ModelName"), 1u);
    config_.remove("ExactModelMatch");
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Missing key in config.ini: "
                     "ExactModelMatch"),
              1u);
}

// Silence is not an answer: a printer that does not reply to the identifier
// query or the version read is out of reach, not another kind of printer.
TEST_F(Compatibility, SilenceIsUnreachableAndIsAskedThreeTimes) {
    const std::wstring query = L"A5000750E08100020013";
    config_.set("ExactModelMatch", "false");
    FakePrinter& p = com_->printer(L"X");
    p.script[query] = {Bytes(), Bytes()};
    int32_t reason = 0;
    EXPECT_TRUE(check(L"X", KIVDevice::TypeIpAddress, reason)) << "answered on the third try";
    EXPECT_EQ(com_->count(L"packet:" + query), 3u);

    p.script[query] = {Bytes(), Bytes(), Bytes()};
    EXPECT_FALSE(check(L"X", KIVDevice::TypeIpAddress, reason));
    EXPECT_EQ(reason, 2);
    p.script[query] = {Bytes(), Bytes(), Bytes()};
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 9);

    config_.set("VerifyPIDVID", "false");
    config_.set("ExactModelMatch", "true");
    const std::wstring version = L"A5000750E08100020510";
    p.script[version] = {Bytes(), Bytes(), Bytes()};
    EXPECT_FALSE(check(L"X", KIVDevice::TypeUsb, reason));
    EXPECT_EQ(reason, 9);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Envalid Model Name"), 0u);
    // A probe that is slow once is asked again.
    p.probesToMiss = 1;
    EXPECT_TRUE(check(L"X", KIVDevice::TypeUsb, reason));
}

// ---------------------------------------------------------------------------
// Enumeration

class Enumeration : public EngineTest {
protected:
    // A printer the link finds at an entered address.
    void attachAddress(const wchar_t* name, const wchar_t* address) {
        KIVDevice d;
        d.setName(name);
        d.setType(KIVDevice::TypeIpAddress);
        d.setIPAddress(address);
        com_->attached.push_back(d);
    }
};

TEST_F(Enumeration, KeepsCopiesOfCompatibleDevicesWithTheirVersions) {
    writeConfig();
    const wchar_t* names[] = {L"good1", L"good2", L"otherPid", L"away"};
    for (const wchar_t* name : names) {
        KIVDevice d;
        d.setName(name);
        d.setType(KIVDevice::TypeNetwork);
        d.setIPAddress(L"127.0.0.1");
        // Answered the search, then went away.
        if (std::wstring(name) == L"away")
            d.setHardwareIds(L"7B1E:31C7");
        com_->attached.push_back(d);
    }
    com_->printer(L"good2").aio = "K206_G070111_00";
    com_->printer(L"otherPid").pid = 0x0001;
    com_->printer(L"away").offline = true;

    KIVDeviceArray* devices = nullptr;
    updater_->createDeviceArray(&devices);
    ASSERT_NE(devices, nullptr);
    KIVDevice earlier;
    devices->push_back(&earlier);
    EXPECT_EQ(updater_->enumerateCompatibleDevices(&options_, devices, nullptr), 0);
    ASSERT_EQ(devices->size(), 3u);
    EXPECT_EQ((*devices)[0], &earlier);
    EXPECT_EQ((*devices)[1]->getName(), L"good1");
    EXPECT_EQ((*devices)[1]->getCurrVer(), L"K206_G010111_00");
    EXPECT_EQ((*devices)[1]->getIPAddress(), L"127.0.0.1");
    EXPECT_EQ((*devices)[2]->getName(), L"good2");
    EXPECT_EQ((*devices)[2]->getCurrVer(), L"K206_G070111_00");
    EXPECT_EQ(com_->listsFreed, 1);
    EXPECT_EQ(logged("ISDUpdater::enumerateCompatibleDevices(): Unable to verify device"), 1u);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Envalid PID"), 1u);
    // The engine's own records go with the array; the caller's stays.
    updater_->freeDeviceArray(&devices);
    EXPECT_EQ(devices, nullptr);
    EXPECT_EQ(updater_->recordsHeld(), 0u);
    EXPECT_EQ(earlier.getName(), L"");
}

TEST_F(Enumeration, AHundredAddressSearchesLeaveNoRecordBehind) {
    writeConfig();
    attachAddress(L"lobby", L"127.0.0.3");
    for (int i = 0; i < 100; ++i) {
        ipAddressObject address(L"127.0.0.3");
        IpAddressArray addresses{&address};
        KIVDeviceArray* devices = nullptr;
        updater_->createDeviceArray(&devices);
        ASSERT_NE(devices, nullptr);
        updater_->enumerateCompatibleDevices(&options_, devices, &addresses);
        ASSERT_EQ(devices->size(), 1u);
        updater_->freeDeviceArray(&devices);
    }
    EXPECT_EQ(updater_->recordsHeld(), 0u);
}

// Only a printer that told what it is can be called the wrong one; one that
// fell silent is handed back as not checked, never among the compatible ones.
TEST_F(Enumeration, PrintersThatCouldNotBeCheckedAreKeptApart) {
    writeConfig();
    std::vector<ipAddressObject> entries;
    for (const wchar_t* name : {L"10.0.0.1", L"10.0.0.2", L"10.0.0.3"}) {
        KIVDevice d;
        d.setName(name);
        d.setType(KIVDevice::TypeIpAddress);
        d.setIPAddress(name);
        com_->attached.push_back(d);
        entries.emplace_back(name);
        entries.back().setStatus(ipAddressObject::PrinterFound);
    }
    com_->printer(L"10.0.0.2").script[L"A5000750E08100020013"] = {Bytes(), Bytes(), Bytes()};
    com_->printer(L"10.0.0.3").pid = 0x0001;
    IpAddressArray addresses = {&entries[0], &entries[1], &entries[2]};
    KIVDeviceArray devices, unchecked;
    EXPECT_EQ(updater_->enumerateFoundDevices(&options_, &devices, &unchecked, &addresses), 0);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->getName(), L"10.0.0.1");
    ASSERT_EQ(unchecked.size(), 1u);
    EXPECT_EQ(unchecked[0]->getName(), L"10.0.0.2");
    std::vector<int32_t> statuses;
    for (const ipAddressObject& e : entries)
        statuses.push_back(e.getStatus());
    EXPECT_EQ(statuses,
              (std::vector<int32_t>{ipAddressObject::PrinterFound, ipAddressObject::NoPrinter,
                                    ipAddressObject::WrongPrinter}));
    delete devices[0];
    delete unchecked[0];
}

// Another maker's printer on a spooler port takes the link and never answers
// our questions, as a silent printer of ours does. Only a port that a queue
// of the package's driver prints to is one of ours; the others are left out,
// and one silent at the search is not asked again.
TEST_F(Enumeration, ASilentSpoolerPortIsOursOnlyWhereTheDriversQueuePrintsToIt) {
    config_.set("DriverModelName", "Oskel K206w");
    writeConfig();
    const struct {
        const wchar_t* name;
        const wchar_t* drivers;
        bool answeredSearch;
    } ports[] = {{L"ours", L"Acme Laser|OSKEL K206W|", false},
                 {L"foreign", L"Acme Laser|", false},
                 {L"bare", L"", false},
                 {L"fellSilent", L"", true}};
    for (const auto& port : ports) {
        KIVDevice d;
        d.setName(port.name);
        d.setType(KIVDevice::TypeNetwork);
        d.setIPAddress(L"127.0.0.1");
        d.setQueueDrivers(port.drivers);
        if (port.answeredSearch)
            d.setHardwareIds(L"7B1E:31C7");
        com_->attached.push_back(d);
        com_->printer(port.name).identifierLength = 0;
    }
    KIVDeviceArray devices, unchecked;
    EXPECT_EQ(updater_->enumerateFoundDevices(&options_, &devices, &unchecked, nullptr), 0);
    EXPECT_TRUE(devices.empty());
    ASSERT_EQ(unchecked.size(), 1u);
    EXPECT_EQ(unchecked[0]->getName(), L"ours");
    EXPECT_EQ(com_->count(L"ready:foreign") + com_->count(L"ready:bare"), 0u);
    EXPECT_NE(com_->count(L"ready:fellSilent"), 0u);
    delete unchecked[0];
}

// A link whose search stopped part way: what it listed is checked and kept,
// and the caller learns that the list is not the whole search.
TEST_F(Enumeration, ASearchThatStoppedPartWayIsToldSo) {
    writeConfig();
    attachAddress(L"good", L"127.0.0.1");
    com_->enumerateResult = 7;
    KIVDeviceArray devices;
    EXPECT_NE(updater_->enumerateCompatibleDevices(&options_, &devices, nullptr), 0);
    ASSERT_EQ(devices.size(), 1u);
    delete devices[0];
}

TEST_F(Enumeration, NothingFoundLeavesTheArrayAndFreesTheList) {
    writeConfig();
    KIVDeviceArray devices;
    EXPECT_EQ(updater_->enumerateCompatibleDevices(&options_, &devices, nullptr), 0);
    EXPECT_TRUE(devices.empty());
    EXPECT_EQ(com_->listsFreed, 1);
    EXPECT_EQ(logged("ISDUpdater::enumerateCompatibleDevices(): Unable to find any devices"), 1u);
}

// ---------------------------------------------------------------------------
// Flash sequence

class FlashUpdate : public EngineTest {
protected:
    // Every report must be the ceiling of 100 * elapsed / budget at the moment
    // it was made, below 100, and the last one the verification's 99.
    void expectProgressFollowsTheClock(int budget) {
        ASSERT_FALSE(progress.empty());
        int64_t start = startMs_ / 1000;
        for (size_t i = 0; i + 1 < progress.size(); ++i) {
            double elapsed = static_cast<double>(progress[i].ms / 1000 - start);
            int expected = static_cast<int>(std::ceil(100.0 * elapsed / budget));
            EXPECT_EQ(progress[i].percent, expected) << "report " << i;
            EXPECT_LT(progress[i].percent, 100);
            if (i > 0) {
                EXPECT_GE(progress[i].percent, progress[i - 1].percent);
            }
        }
        EXPECT_EQ(progress.back().percent, 99);
    }
};

TEST_F(FlashUpdate, FullSequenceWithTheShippedTimers) {
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(com_->count(L"file:" + folder_.path() + L"pkg\\flash.fls"), 1u);
    expectProgressFollowsTheClock(145);
    // Reset detection polls every 500 ms; the boot wait is 40 s in 2 s steps.
    EXPECT_GT(clock_.sleepsOf(500), 0u);
    EXPECT_EQ(clock_.sleepsOf(2000), 20u);
    std::vector<std::string> order = {
        "ISDUpdater::update(): CheckSpr=TRUE",
        "ISDUpdater::update(): File Sent=flash.fls",
        "ISDUpdater::update(): Waiting for device to POR...",
        "ISDUpdater::update(): Device has PORed.",
        "ISDUpdater::update(): Boot Timeout.",
        "ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion is equal to the packageFWVersion",
        "ISDUpdater::update(): Update completed!"};
    int at = 0;
    for (const std::string& line : order) {
        at = lineIndex(line, at);
        ASSERT_GE(at, 0) << line;
    }
    // The whole update fits in the budget plus the boot wait.
    EXPECT_LT(clock_.ms - startMs_, (145 + 40) * 1000);
}

TEST_F(FlashUpdate, UnansweringDeviceIsCode13) {
    com_->printer(L"P1").offline = true;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateUnreachable);
    EXPECT_EQ(logged("ISDUpdater::update(): Unable to verify device - Communication Error"), 1u);
    EXPECT_TRUE(progress.empty());
}

TEST_F(FlashUpdate, FirmwareLetterChange) {
    FakePrinter& p = com_->printer(L"P1");
    p.aio = "AB12-XYZ_H010111_00";
    config_.set("ModelName", "AB12-XYZ");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateRevisionMismatch);
    EXPECT_EQ(logged("ISDUpdater::update(): Revision Mismatch"), 1u);
    EXPECT_EQ(com_->count(StatusQuery), 0u);

    // The device's first segment is looked up without its "-" part.
    config_.set("SprList", "zz99,ab12");
    p.flashedAio = "AB12-XYZ_G082511_00";
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);

    // An answered question skips the check altogether.
    com_->calls.clear();
    config_.set("SprList", "");
    p.aio = "AB12-XYZ_H010111_00";
    EXPECT_EQ(runUpdate(true), IUpdater::UpdateOk);
    ASSERT_GE(com_->calls.size(), 2u);
    EXPECT_EQ(com_->calls[1], StatusQuery);
}

// A letter change that the list allows, to an image of the same build: the
// printer that kept its old letter was not updated.
TEST_F(FlashUpdate, AnotherLetterOfTheSameBuildIsNotTheUpdate) {
    config_.set("Retries", "0");
    config_.set("SprList", "K206_H082511_00");
    FakePrinter& p = com_->printer(L"P1");
    p.aio = p.flashedAio = "K206_H082511_00";
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion has another "
                     "firmware letter"),
              1u);
    p.aio = "K206_H082511_00";
    p.flashedAio = "K206_G082511_00";
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
}

TEST_F(FlashUpdate, UnreadableVersionDuringTheLetterCheckIsCode13) {
    // The printer answers the readiness probe, but its version reply is not
    // one: nothing is known about its letter, and nothing is flashed.
    FakePrinter& p = com_->printer(L"P1");
    p.badHeader = true;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateUnreachable);
    EXPECT_EQ(logged("ISDUpdater::update(): Unable to verify device - Communication Error"), 1u);
    EXPECT_EQ(logged("ISDUpdater::update(): Revision Mismatch"), 0u);
    EXPECT_EQ(com_->count(StatusQuery), 0u);

    // Read on the first look but not on the second (the letters differed).
    p.badHeader = false;
    p.aio = "K206_H010111_00";
    Bytes good = FakeComTarget::versionReply(p);
    p.script[L"A5000750E08100020510"] = {good, Bytes(), Bytes(), Bytes()};
    EXPECT_EQ(runUpdate(), IUpdater::UpdateUnreachable);
    EXPECT_EQ(logged("ISDUpdater::update(): Unable to verify device - Communication Error"), 2u);
    EXPECT_EQ(logged("ISDUpdater::update(): Revision Mismatch"), 0u);
}

TEST_F(FlashUpdate, AnEmptyUpdateSequenceFailsInsteadOfVerifyingAnUnflashedPrinter) {
    // The printer already carries the package's version: verification alone
    // would pass. Without a step to run that would be reported as an update.
    com_->printer(L"P1").aio = "K206_G082511_00";
    const std::vector<std::vector<std::pair<std::string, std::string>>> sequences = {
        {}, {{"1.Files", ""}}};
    const std::string line = "ISDUpdater::update(): No update step in the UpdateSequence section "
                             "of config.ini - Update Failed!";
    for (size_t i = 0; i < sequences.size(); ++i) {
        config_.sequence(sequences[i]);
        EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed) << i;
        EXPECT_EQ(logged(line), i + 1);
    }
    EXPECT_EQ(logged("ISDUpdater::update(): Update completed!"), 0u);
    for (const std::wstring& call : com_->calls)
        EXPECT_NE(call.substr(0, 5), L"file:");
}

TEST_F(FlashUpdate, EqualLettersNeedNoList) {
    config_.remove("SprList");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(com_->count(VersionQuery), 1u + 1u); // letter check, verification
}

TEST_F(FlashUpdate, BusyPrinterFails) {
    com_->printer(L"P1").busy = true;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Printer Busy - Update Failed!"), 1u);
    EXPECT_EQ(com_->count(L"file:" + folder_.path() + L"pkg\\flash.fls"), 0u);
}

// A printer that another update holds is left alone: the update fails before
// anything that could change the printer is sent. An update gives its hold
// back when it ends, however it ends.
TEST_F(FlashUpdate, APrinterAnotherUpdateHoldsIsLeftAlone) {
    struct Locks : PrinterLocks {
        std::set<std::wstring> held;
        std::shared_ptr<void> take(const KIVDevice& device) override {
            const std::wstring name = device.getName();
            if (!held.insert(name).second)
                return nullptr;
            return std::shared_ptr<void>(this, [this, name](void*) { held.erase(name); });
        }
    } locks;
    com_ = new FakeComTarget(clock_);
    updater_.reset(new ISDUpdater(com_, clock_, &locks));
    locks.held.insert(L"P1");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateInUse);
    EXPECT_EQ(logged("ISDUpdater::update(): Printer in use by another update - not updated"), 1u);
    // Nothing reaches it, not even the version reads of the letter check, nor
    // the readiness probe that would find it away while the other update
    // restarts it.
    EXPECT_EQ(com_->count(L"ready:P1"), 0u);
    EXPECT_EQ(com_->count(StatusQuery), 0u);
    EXPECT_EQ(com_->count(VersionQuery), 0u);
    EXPECT_EQ(com_->count(L"file:" + folder_.path() + L"pkg\\flash.fls"), 0u);

    locks.held.clear();
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_TRUE(locks.held.empty());
    com_->printer(L"P1").busy = true;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_TRUE(locks.held.empty());
    updater_.reset();
}

TEST_F(FlashUpdate, CommandRepliesMatchInsideTheExpectation) {
    FakePrinter& p = com_->printer(L"P1");
    p.aio = "K206_G082511_00"; // already current: verification passes at once
    config_.set("CheckSpr", "false");
    config_.sequence({{"1.Cmds", "aabb:a500010203:0"}});

    p.rawReplies[L"AABB"] = Bytes{0xA5, 0x00, 0x01};
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): Cmd Sent=AABB"), 1u);

    p.rawReplies[L"AABB"] = Bytes{0xA5, 0x00, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Invalid Response=A50001020304"), 1u);

    p.rawReplies.erase(L"AABB");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): No Response"), 1u);

    // "POR" and an empty expectation accept no reply at all.
    config_.sequence({{"1.Cmds", "aabb:por:0"}, {"2.Cmds", "aabb::0"}, {"3.Cmds", "aabb"}});
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): No Response"), 1u);

    // A command that never reached the printer is no step done, whatever it expects.
    config_.sequence({{"1.Files", "flash.fls:0"}, {"2.Cmds", "aabb:por:0"}});
    com_->afterFile = [&](const std::wstring&) {
        p.away.push_back({clock_.ms + p.fileMs, INT64_MAX}); // gone once the file is in
    };
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Cmd Send Failed=AABB, rc=1"), 1u);
}

TEST_F(FlashUpdate, ScriptIsCheckedWholeBeforeAnythingIsSent) {
    // Each bad item stands after a good file: not even that one may go out.
    // So does a package version that compares as nothing, such as one with
    // a comment after it (which the system keeps in the value) or a
    // mistyped date.
    for (const char* bad :
         {"2.Files=missing.fls:0", "2.Exec=POR_ALRT:0", "2.Cmds=1B2G:A5:0", "2.Fils=flash.fls:0",
          "1.files=flash.fls:0", "FirmwareVersion1=K206_G082511_00 ; Aug build",
          "FirmwareVersion1=K206_G82511_00", "timer"}) {
        std::string step = bad;
        const std::string key = step.substr(0, step.find('='));
        const std::string value = step.substr(step.find('=') + 1);
        config_.sequence({{"1.Files", "flash.fls:0"}});
        if (step == "timer")
            config_.set("FlashTimeout", "abc");
        else if (key == "FirmwareVersion1")
            config_.set(key, value);
        else
            config_.sequence({{"1.Files", "flash.fls:0"}, {key, value}});
        com_->calls.clear();
        EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed) << bad;
        EXPECT_EQ(com_->calls, std::vector<std::wstring>{L"ready:P1"}) << bad;
        config_.set("FirmwareVersion1", "K206_G082511_00");
    }
    std::vector<std::string> failures;
    for (const std::string& line : lines()) {
        if (line.find("Update Failed!") != std::string::npos)
            failures.push_back(line.substr(line.find(": ") + 2));
    }
    const std::string item = "Invalid item in the UpdateSequence section of config.ini: ";
    EXPECT_EQ(failures,
              (std::vector<std::string>{
                  item + "2.Files=missing.fls:0 (no such file in the package) - Update Failed!",
                  item + "2.Exec=POR_ALRT:0 (unknown action) - Update Failed!",
                  item + "2.Cmds=1B2G:A5:0 (the command is not pairs of hexadecimal digits) - "
                         "Update Failed!",
                  item + "2.Fils=flash.fls:0 (unknown step type) - Update Failed!",
                  item + "1.files (the step is written twice) - Update Failed!",
                  "Invalid value in config.ini: FirmwareVersion1=K206_G082511_00 ; Aug build (a "
                  "version holds no blank) - Update Failed!",
                  "Invalid value in config.ini: FirmwareVersion1=K206_G82511_00 (not a version of "
                  "the form model_Lmmddyy_ss) - Update Failed!",
                  "Invalid value in config.ini: FlashTimeout=abc - Update Failed!"}));
}

TEST_F(FlashUpdate, FailedFileSendEndsTheSequence) {
    // Already on the package version: verification alone would pass.
    FakePrinter& p = com_->printer(L"P1");
    p.aio = "K206_G082511_00";
    p.fileFailure = 2;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): File Send Failed=flash.fls: the printer did not take "
                     "the whole file (rc=2) - Update Failed!"),
              1u);
    EXPECT_EQ(logged("ISDUpdater::update(): File Sent=flash.fls"), 0u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update completed!"), 0u);
}

TEST_F(FlashUpdate, BlanksAfterCommasAreNotPartOfTheItems) {
    addPackageFile(L"panel.fls");
    config_.set("SprList", "zz99, k206_h010111_00");
    config_.sequence({{"1.Files", "flash.fls:6, panel.fls:0"}});
    FakePrinter& p = com_->printer(L"P1");
    p.aio = "K206_H010111_00"; // another letter: SprList decides
    p.resetMs = 5000;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(com_->count(L"file:" + folder_.path() + L"pkg\\panel.fls"), 1u);
}

TEST_F(FlashUpdate, ResetWaitWithItsDeadlinePassedFailsAtOnce) {
    // The file takes longer than the whole budget.
    config_.set("FlashTimeout", "3");
    com_->printer(L"P1").fileMs = 5000;
    config_.sequence({{"1.Files", "flash.fls:0"}, {"2.Exec", "POR_ALERT:0"}});
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_TRUE(clock_.sleeps.empty());
    EXPECT_EQ(logged("ISDUpdater::update(): Device did not POR."), 1u);
}

TEST_F(FlashUpdate, PrinterThatStaysUpSkipsTheBootWait) {
    FakePrinter& p = com_->printer(L"P1");
    p.resetsOnFile = false;
    p.aio = "K206_G082511_00";
    config_.set("FlashTimeout", "20");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): Boot Timeout."), 0u);
    EXPECT_EQ(logged("ISDUpdater::update(): Device has PORed."), 0u);
    EXPECT_EQ(clock_.sleepsOf(2000), 0u);
    // The wait ran to the common deadline, start + FlashTimeout.
    EXPECT_EQ(clock_.now(), startMs_ / 1000 + 20);
    expectProgressFollowsTheClock(20);
}

TEST_F(FlashUpdate, ExecStepsWaitForTheSameDeadline) {
    config_.set("FlashTimeout", "60");
    config_.sequence(
        {{"1.Files", "flash.fls:0"}, {"2.Exec", "POR_NOALERT:0"}, {"3.Cmds", "aabb:por:4"}});
    com_->printer(L"P1").resetMs = 10000;
    // The printer resets once; the final wait finds it up and runs to start + 60.
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): Device has PORed."), 1u);
    EXPECT_EQ(logged("ISDUpdater::update(): Waiting for device to POR..."), 2u);
    EXPECT_EQ(clock_.sleepsOf(2000), 2u); // the 4 s after the command; no boot wait
    EXPECT_EQ(clock_.now(), startMs_ / 1000 + 60);
}

// A probe that takes too long right after the file is not the reset: the
// command after the reset waits for the printer to really go and come back.
TEST_F(FlashUpdate, OneSlowProbeIsNotAReset) {
    config_.set("FlashTimeout", "60");
    config_.sequence(
        {{"1.Files", "flash.fls:0"}, {"2.Exec", "POR_ALERT:4"}, {"3.Cmds", "1B2A7301FF:A5:0"}});
    FakePrinter& p = com_->printer(L"P1");
    p.rawReplies[L"1B2A7301FF"] = {0xA5};
    p.resetsOnFile = false;
    com_->afterFile = [&](const std::wstring&) {
        // Away from 3 s after the file's end for 4 s; one slow probe before.
        const int64_t end = clock_.ms + p.fileMs;
        p.probesToMiss = 1;
        p.away.push_back({end + 3000, end + 7000});
        p.pendingAt = end + 7000;
    };
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): No Response"), 0u);
    EXPECT_EQ(logged("ISDUpdater::update(): Device has PORed."), 1u);

    // A readiness check that fails once is asked again before giving up.
    p.away.clear();
    p.probesToMiss = 1;
    com_->afterFile = nullptr;
    p.resetsOnFile = true;
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
}

TEST_F(FlashUpdate, ItemWaitsInTwoSecondSteps) {
    addPackageFile(L"second.fls");
    // Back from the first file's reset before the second goes out.
    com_->printer(L"P1").resetMs = 5000;
    config_.sequence({{"1.Files", "flash.fls:10,second.fls:3"}});
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(com_->count(L"file:" + folder_.path() + L"pkg\\second.fls"), 1u);
    // 10 s (5 steps) and 3 s (2 steps) after the files, then 40 s of boot wait.
    EXPECT_EQ(clock_.sleepsOf(2000), 5u + 2u + 20u);
    expectProgressFollowsTheClock(145);
}

TEST_F(FlashUpdate, EveryItemIsReadFromTheFileAsItStandsThen) {
    FakePrinter& p = com_->printer(L"P1");
    p.resetsOnFile = false;
    p.aio = "K206_G082511_00";
    config_.set("FlashTimeout", "10");
    for (const wchar_t* name : {L"a.fls", L"b.fls", L"c.fls", L"x.fls", L"y.fls"})
        addPackageFile(name);
    config_.sequence({{"1.Files", "a.fls:0,b.fls:0"}, {"2.Files", "c.fls:0"}});
    bool changed = false;
    com_->afterFile = [&](const std::wstring&) {
        if (changed)
            return;
        changed = true;
        // A step put in front while the first item is sent: the second item
        // of step 0 is now the second item of the new first key.
        config_.sequence({{"0.Files", "x.fls:0,y.fls:0"},
                          {"1.Files", "a.fls:0,b.fls:0"},
                          {"2.Files", "c.fls:0"}});
        writeConfig();
    };
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    std::vector<std::wstring> sent;
    for (const std::wstring& call : com_->calls) {
        if (call.compare(0, 5, L"file:") == 0)
            sent.push_back(call.substr(5 + folder_.path().size() + 4));
    }
    EXPECT_EQ(sent, (std::vector<std::wstring>{L"a.fls", L"y.fls", L"a.fls", L"b.fls", L"c.fls"}));
}

TEST_F(FlashUpdate, RetriesZeroFailsRightAfterTheFirstVerification) {
    config_.set("Retries", "0");
    com_->printer(L"P1").flashedAio = "K206_G010111_00"; // the flash did not take
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Retry Timeout."), 0u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update Failed!"), 1u);
    EXPECT_NE(progress.back().percent, 99);
}

TEST_F(FlashUpdate, DeviceNewerAtFirstVerificationEndsTheCall) {
    com_->printer(L"P1").flashedAio = "K206_G090111_00";
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Retry Timeout."), 0u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update Failed!"), 1u);
    EXPECT_EQ(progress.back().percent, 99);
}

TEST_F(FlashUpdate, DeviceNewerDuringRetriesRunsThemOut) {
    config_.set("CheckSpr", "false");
    config_.set("Retries", "3");
    FakePrinter& p = com_->printer(L"P1");
    p.script[L"A5000750E08100020510"] = {
        versionWith("K206_G010111_00"), versionWith("K206_G090111_00"),
        versionWith("K206_G090111_00"), versionWith("K206_G090111_00")};
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Retry Timeout."), 3u);
    EXPECT_EQ(logged("ISDUpdater::update(): Unable to verify FW Version from the Device...Trying "
                     "Again."),
              3u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update Failed!"), 1u);
    // 40 s of boot wait and 3 x 20 s of retry waits.
    EXPECT_EQ(clock_.sleepsOf(2000), 20u + 3u * 10u);
}

TEST_F(FlashUpdate, VerifiedOnTheSecondRetry) {
    config_.set("CheckSpr", "false");
    FakePrinter& p = com_->printer(L"P1");
    p.script[L"A5000750E08100020510"] = {versionWith("K206_G010111_00"),
                                         versionWith("K206_G010111_00")};
    EXPECT_EQ(runUpdate(), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): Retry Timeout."), 2u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update completed!"), 1u);
    expectProgressFollowsTheClock(145);
}

TEST_F(FlashUpdate, MissingTimerFailsBeforeTalkingToThePrinter) {
    config_.remove("FlashTimeout");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Missing key in config.ini: FlashTimeout"), 1u);
    EXPECT_EQ(com_->count(StatusQuery), 0u);
    config_.set("FlashTimeout", "145");
    config_.remove("CheckSpr");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Missing key in config.ini: CheckSpr"), 1u);
    // Tries that could never be counted out are refused the same way.
    config_.set("CheckSpr", "true");
    config_.set("Retries", "2147483647");
    EXPECT_EQ(runUpdate(), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Invalid value in config.ini: Retries=2147483647 - "
                     "Update Failed!"),
              1u);
    EXPECT_EQ(com_->count(StatusQuery), 0u);
}

// ---------------------------------------------------------------------------
// Object life and pass-through

using Lifecycle = EngineTest;

TEST_F(Lifecycle, ArraysExtensionsAndDestruction) {
    EXPECT_EQ(updater_->forwardExtension1(5), com_->extension1(5));
    EXPECT_EQ(updater_->forwardExtension2(0x1234), com_->extension2(0x1234));
    KIVDeviceArray* none = nullptr;
    updater_->freeDeviceArray(&none);
    EXPECT_EQ(none, nullptr);
    updater_->freeDeviceArray(nullptr);
    updater_->reserved(1, 2);
    updater_.reset();
    EXPECT_EQ(comDestroyed_, 1);

    // Destroyed without a communication object: nothing to destroy.
    ISDUpdater bare(nullptr, clock_);
    EXPECT_EQ(bare.forwardExtension1(5), 0);
}

// ---------------------------------------------------------------------------
// Several printers through one engine

namespace {

// Runs a hook once, right after a comparison has set its flag and before the
// flash sequence reads it: the worst moment for another thread to compare.
class PausingAfterComparison : public ISDUpdater {
public:
    using ISDUpdater::ISDUpdater;
    std::function<void()> afterCompare;

    bool isPackageNewerThanDevice(KIVOptions* options, int32_t index) override {
        const bool newer = ISDUpdater::isPackageNewerThanDevice(options, index);
        if (afterCompare) {
            std::function<void()> hook;
            hook.swap(afterCompare);
            hook();
        }
        return newer;
    }
};

} // namespace

TEST_F(FlashUpdate, AnotherThreadsComparisonDoesNotDecideThisUpdate) {
    FakeComTarget* com = new FakeComTarget(clock_);
    PausingAfterComparison engine(com, clock_);
    addDevice(L"P2", KIVDevice::TypeUsb);
    // P2 carries firmware newer than the package: comparing it clears the
    // "equal" result that P1's verification is about to read.
    com->printer(L"P2").aio = "K206_G082611_00";
    bool otherNewer = true;
    engine.afterCompare = [&] {
        std::thread other([&] { otherNewer = engine.isPackageNewerThanDevice(&options_, 1); });
        other.join();
    };
    writeConfig();
    EXPECT_EQ(engine.update(&options_, 0, nullptr, false), IUpdater::UpdateOk);
    EXPECT_FALSE(otherNewer);
    EXPECT_EQ(com->printer(L"P1").aio, "K206_G082511_00");
    EXPECT_EQ(logged("ISDUpdater::update(): Update completed!"), 1u);
}
