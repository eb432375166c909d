// The real Updater.dll and KIVComm.dll, bound the way the launcher binds them,
// against the printer simulator.
#include "IUpdater.h"
#include "KIVOptions.h"
#include "ScopedHandle.h"
#include "SimControl.h"
#include "TestSupport.h"
#include "ipAddressObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<int> reports;
void recordProgress(int percent) {
    reports.push_back(percent);
}

bool copyTo(const std::wstring& from, const std::wstring& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// The short-timer package: the shipped keys with timers a test can wait for.
struct PackageConfig {
    std::string flashTimeout = "20";
    std::string retries = "2";
    std::string sequence = "1.Files=flash.fls:0\r\n";
    std::string flashScanVersion; // FirmwareVersion3; empty: not declared

    std::string text() const {
        return ";KIV Config File\r\n"
               "[DeviceInfo]\r\nVendor=Oskel\r\nModelName=K206\r\nDriverModelName=Oskel K206w\r\n"
               "VID=7B1E\r\nPIDs=31C7\r\n"
               "[Versions]\r\nFirmwareVersion1=K206_G082511_00\r\n"
               "FirmwareVersion3=" +
               flashScanVersion + "\r\n[UpdateSequence]\r\n" + sequence +
               "[Verifications]\r\nExactModelMatch=true\r\nVerifyPIDVID=true\r\nCheckSpr=true\r\n"
               "SprList=\r\n"
               "[Timers]\r\nFlashTimeout=" +
               flashTimeout + "\r\nBootTimeout=2\r\nRetryTimeout=1\r\nRetries=" + retries + "\r\n";
    }
};

class UpdaterSim : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        log_ = new ScopedTestLog();
        root_ = new TempFolder();
        std::wstring package = root_->path() + L"pkg\\";
        std::wstring common = root_->path() + L"common\\";
        CreateDirectoryW(package.c_str(), nullptr);
        CreateDirectoryW(common.c_str(), nullptr);
        copied_ = copyTo(exeFolder() + L"Updater.dll", package + L"Updater.dll") &&
                  copyTo(exeFolder() + L"flash-K206.fls", package + L"flash.fls") &&
                  copyTo(exeFolder() + L"..\\comm\\KIVComm.dll", common + L"KIVComm.dll");
        options_ = new KIVOptions();
        options_->getRsrcMgr().setDirectories(package, common);
        options_->setCfgIniPath(package + L"config.ini");
        writeConfig(PackageConfig());
        // The library's logger reads the switch when it is brought up.
        setLogSwitch(L"Tavrin", 1);
        int32_t rc = -1;
        updater_ = IUpdater::makeUpdater(options_, &rc);
        removeLogSwitch(L"Tavrin");
        if (updater_)
            initRc_ = updater_->initialize(options_);
    }

    static void TearDownTestSuite() {
        if (updater_)
            IUpdater::freeUpdaterLib(updater_);
        updater_ = nullptr;
        delete options_;
        delete root_;
        delete log_;
    }

    void SetUp() override {
        ASSERT_FALSE(simNet().empty()) << "not started by with-sim.sh";
        ASSERT_TRUE(copied_);
        ASSERT_NE(updater_, nullptr);
        ASSERT_EQ(initRc_, 0);
        ASSERT_TRUE(simRestore("flash"));
        options_->clearDeviceList();
        writeConfig(PackageConfig());
        reports.clear();
    }

    static void writeConfig(const PackageConfig& config) {
        writeFileBytes(options_->getRsrcMgr().getPackagePath() + L"config.ini", config.text());
    }

    // A printer entered by address, as the enumeration records it.
    static int32_t updateAt(int host, const PackageConfig& config, bool sprAnswered = false) {
        writeConfig(config);
        KIVDevice device;
        device.setType(KIVDevice::TypeIpAddress);
        device.setName(L"K206");
        device.setIPAddress(simAddress(host));
        device.setTcpPort(9100);
        options_->clearDeviceList();
        options_->addDeviceToList(device);
        return updater_->update(options_, 0, &recordProgress, sprAnswered);
    }

    static size_t logged(const std::string& text) {
        size_t n = 0;
        for (std::string line : log_->texts()) {
            line.erase(0, line.find_first_not_of(' '));
            n += line == text;
        }
        return n;
    }

    static ScopedTestLog* log_;
    static TempFolder* root_;
    static KIVOptions* options_;
    static IUpdater* updater_;
    static bool copied_;
    static int32_t initRc_;
};

ScopedTestLog* UpdaterSim::log_ = nullptr;
TempFolder* UpdaterSim::root_ = nullptr;
KIVOptions* UpdaterSim::options_ = nullptr;
IUpdater* UpdaterSim::updater_ = nullptr;
bool UpdaterSim::copied_ = false;
int32_t UpdaterSim::initRc_ = -1;

const int Good1 = 2, Good2 = 3, OtherModel = 4, Flash = 5, Nobody = 9;

} // namespace

TEST_F(UpdaterSim, EnumerationKeepsTheGoodPrintersAndMarksTheAddresses) {
    writeConfig(PackageConfig());
    std::vector<ipAddressObject> entries = {
        ipAddressObject(simAddress(Good1)), ipAddressObject(simAddress(Good2)),
        ipAddressObject(simAddress(OtherModel)), ipAddressObject(simAddress(Nobody))};
    IpAddressArray addresses;
    for (ipAddressObject& e : entries)
        addresses.push_back(&e);
    KIVDeviceArray* devices = nullptr;
    updater_->createDeviceArray(&devices);
    ASSERT_NE(devices, nullptr);
    EXPECT_EQ(updater_->enumerateCompatibleDevices(options_, devices, &addresses), 0);

    std::vector<std::wstring> found;
    for (KIVDevice* d : *devices) {
        std::wstring expectedVersion =
            d->getIPAddress() == simAddress(Good2) ? L"K206_G070111_00" : L"K206_G010111_00";
        EXPECT_EQ(d->getCurrVer(), expectedVersion);
        found.push_back(d->getIPAddress());
    }
    updater_->freeDeviceArray(&devices);
    std::vector<std::wstring> expected = {simAddress(Good1), simAddress(Good2)};
    EXPECT_EQ(found, expected);
    EXPECT_NE(entries[0].getStatus(), ipAddressObject::NoPrinter);
    EXPECT_NE(entries[0].getStatus(), ipAddressObject::WrongPrinter);
    // The printer of another model reached the engine, which said why it
    // does not fit, and marked its address.
    EXPECT_EQ(entries[2].getStatus(), ipAddressObject::WrongPrinter);
    EXPECT_EQ(logged("ISDUpdater::isCompatibleDevice(): Envalid Model Name"), 1u);
    EXPECT_EQ(entries[3].getStatus(), ipAddressObject::NoPrinter);
}

TEST_F(UpdaterSim, FullFlashIsVerified) {
    EXPECT_EQ(updateAt(Flash, PackageConfig()), IUpdater::UpdateOk);
    EXPECT_EQ(simStateField("flash", "aio"), "K206_G082511_00");
    EXPECT_EQ(simStateField("flash", "accepted"), "1");
    EXPECT_EQ(simStateField("flash", "resets"), "1");
    EXPECT_EQ(logged("ISDUpdater::update(): Device has PORed."), 1u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update completed!"), 1u);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), 99);
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GE(reports[i], reports[i - 1]);

    // Flashed again, the printer is equal to the package and still verifies.
    EXPECT_EQ(updateAt(Flash, PackageConfig()), IUpdater::UpdateOk);
    EXPECT_EQ(simStateField("flash", "accepted"), "2");
}

TEST_F(UpdaterSim, FlashScanPartReadAfterItsSetUp) {
    // This printer only answers the flash scan query after the two set-up
    // packets, from the third query on, and forgets the set-up when it resets.
    ASSERT_TRUE(simSet("flash", "FlashScanVersion", "FSV_010111_00"));
    ASSERT_TRUE(simSet("flash", "Fault", "slowscan"));
    PackageConfig config;
    config.flashScanVersion = "FSV_010111_00";
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateOk);
    EXPECT_EQ(simStateField("flash", "aio"), "K206_G082511_00");
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Flash Scan Firmware version="
                     "FSV_010111_00"),
              2u);
    EXPECT_EQ(logged("ISDUpdater::isPackageNewerThanDevice(): deviceFWVersion="
                     "K206_G082511_00|FSV_010111_00"),
              1u);
}

TEST_F(UpdaterSim, PrinterFaultsEndWithCode9) {
    PackageConfig config;
    ASSERT_TRUE(simSet("flash", "Fault", "busy"));
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Printer Busy - Update Failed!"), 1u);

    // A printer that takes connections and never answers looks busy too
    // (the firmware-letter question already answered, so the busy test is
    // the first thing asked).
    ASSERT_TRUE(simRestore("flash"));
    ASSERT_TRUE(simSet("flash", "Fault", "silent"));
    EXPECT_EQ(updateAt(Flash, config, true), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Printer Busy - Update Failed!"), 2u);

    // The printer resets but keeps its old version: every retry is used.
    ASSERT_TRUE(simRestore("flash"));
    ASSERT_TRUE(simSet("flash", "Fault", "keepversion"));
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Retry Timeout."), 2u);
    EXPECT_EQ(logged("ISDUpdater::update(): Update Failed!"), 1u);

    // A file cut off half way is not taken. The send fails when the cut
    // reaches it while it still writes; when the system had already queued
    // the whole file, the version never verifies instead.
    ASSERT_TRUE(simRestore("flash"));
    ASSERT_TRUE(simSet("flash", "Fault", "dropfile"));
    config.flashTimeout = "6";
    config.retries = "0";
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateFailed);
    EXPECT_EQ(simStateField("flash", "last"), "dropped");
    EXPECT_EQ(logged("ISDUpdater::update(): File Send Failed=flash.fls: the printer did not take "
                     "the whole file (rc=2) - Update Failed!") +
                  logged("ISDUpdater::update(): Update Failed!"),
              2u);

    // A scripted reset that never comes.
    ASSERT_TRUE(simRestore("flash"));
    ASSERT_TRUE(simSet("flash", "Fault", "noreset"));
    config.sequence = "1.Files=flash.fls:0\r\n2.Exec=POR_ALERT:0\r\n";
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Device did not POR."), 1u);

    // A command whose reply is not among the expected ones.
    ASSERT_TRUE(simRestore("flash"));
    ASSERT_TRUE(simSet("flash", "Cmd.AABB", "A5000101"));
    config.sequence = "1.Cmds=aabb:A50002A50003:0\r\n";
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateFailed);
    EXPECT_EQ(logged("ISDUpdater::update(): Invalid Response=A5000101"), 1u);
}

// A printer that starts every answer 1.5 s late still takes the whole update;
// the flash-scan part of one that never answers that query is given up in
// the time the engine's 30 tries a second apart allow, not minutes.
TEST_F(UpdaterSim, LateAnswersPassAndASilentFlashScanPartIsGivenUpInTime) {
    ASSERT_TRUE(simSet("flash", "ReplySeconds", "1.5"));
    ASSERT_TRUE(simSet("flash", "Cmd.AABB", "0102"));
    PackageConfig config;
    config.sequence = "1.Cmds=aabb:0102:0\r\n2.Files=flash.fls:0\r\n";
    const size_t sent = logged("ISDUpdater::update(): Cmd Sent=AABB");
    const size_t unanswered = logged("ISDUpdater::update(): No Response");
    EXPECT_EQ(updateAt(Flash, config), IUpdater::UpdateOk);
    EXPECT_EQ(logged("ISDUpdater::update(): Cmd Sent=AABB"), sent + 1);
    EXPECT_EQ(logged("ISDUpdater::update(): No Response"), unanswered);
    EXPECT_EQ(simStateField("flash", "accepted"), "1");

    // No flash-scan part, and the link held open after the empty answer.
    ASSERT_TRUE(simRestore("flash"));
    ASSERT_TRUE(simSet("flash", "KeepOpen", "1"));
    config = PackageConfig();
    config.flashScanVersion = "FSV_010111_00";
    writeConfig(config);
    KIVDevice device;
    device.setType(KIVDevice::TypeIpAddress);
    device.setName(L"K206");
    device.setIPAddress(simAddress(Flash));
    options_->addDeviceToList(device);
    const std::string givenUp = "ISDUpdater::getDeviceVersionString(): Unable to read Flash Scan "
                                "FW version from the device";
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    std::wstring version = L"unset";
    std::thread reader([&] { updater_->getDeviceVersionString(options_, 0, &version); });
    long long spentMs = -1;
    while (spentMs < 0 && Clock::now() - start < std::chrono::seconds(60)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (logged(givenUp) > 0)
            spentMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
    // The part answers from now on: the next attempt reads it at once.
    simSet("flash", "FlashScanVersion", "FSV_010111_00");
    reader.join();
    std::printf("flash-scan read of a silent part given up after %lld ms\n", spentMs);
    EXPECT_GT(spentMs, 0) << "not given up within a minute";
    EXPECT_LT(spentMs, 50000);
    EXPECT_EQ(logged(givenUp), 1u);
    EXPECT_EQ(version, L"K206_G010111_00|FSV_010111_00");
}

TEST_F(UpdaterSim, VersionReplyWhoseLengthByteIsABlankIsReadWhole) {
    // A 13-character version makes the reply 0x20 bytes long.
    ASSERT_TRUE(simSet("flash", "AioVersion", "K206_G0825_00"));
    KIVDevice device;
    device.setType(KIVDevice::TypeIpAddress);
    device.setName(L"K206");
    device.setIPAddress(simAddress(Flash));
    device.setTcpPort(9100);
    options_->addDeviceToList(device);
    std::wstring version;
    updater_->getDeviceVersionString(options_, 0, &version);
    EXPECT_EQ(version, L"K206_G0825_00");
}

TEST_F(UpdaterSim, FirmwareLetterChangeIsCode12) {
    ASSERT_TRUE(simSet("flash", "AioVersion", "K206_H010111_00"));
    EXPECT_EQ(updateAt(Flash, PackageConfig()), IUpdater::UpdateRevisionMismatch);
    EXPECT_EQ(logged("ISDUpdater::update(): Revision Mismatch"), 1u);
    EXPECT_EQ(simStateField("flash", "received"), "0");

    // Replies cut short or garbled are failed reads, never read past: the
    // letter is unknown because the printer did not answer properly, which
    // is a communication failure, not a mismatch. Nothing is flashed.
    const char* faults[] = {"truncated", "garbage"};
    for (const char* fault : faults) {
        ASSERT_TRUE(simRestore("flash"));
        ASSERT_TRUE(simSet("flash", "Fault", fault));
        EXPECT_EQ(updateAt(Flash, PackageConfig()), IUpdater::UpdateUnreachable) << fault;
    }
    EXPECT_EQ(logged("ISDUpdater::getDeviceVersionString(): Invalid data returned"), 2u * 3u);
    EXPECT_EQ(logged("ISDUpdater::update(): Unable to verify device - Communication Error"), 2u);
    EXPECT_EQ(logged("ISDUpdater::update(): Revision Mismatch"), 1u);
    EXPECT_EQ(simStateField("flash", "received"), "0");
}

TEST_F(UpdaterSim, NothingAtTheAddressIsCode13) {
    const std::string line = "ISDUpdater::update(): Unable to verify device - Communication Error";
    const size_t before = logged(line);
    EXPECT_EQ(updateAt(Nobody, PackageConfig()), IUpdater::UpdateUnreachable);
    EXPECT_EQ(logged(line), before + 1);
}
