// KIVComm.dll as the updater uses it (loaded by full path, object from its
// factory) against simulated printers on loopback addresses.
#include "Crc32.h"
#include "FlsHeader.h"
#include "IComTarget.h"
#include "IpAddressCheck.h"
#include "KIVOptions.h"
#include "ScopedHandle.h"
#include "SimControl.h"
#include "TextCase.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <iphlpapi.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <thread>

namespace {
typedef std::vector<uint8_t> Bytes;
using Clock = std::chrono::steady_clock;

const wchar_t* const TestPortPrefix = L"KIVCommTest_";
const wchar_t* const PortsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

std::wstring exeFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void writeFile(const std::wstring& path, const std::string& content) {
    std::ofstream(path.c_str(), std::ios::binary).write(content.data(), content.size());
}

void deleteTestPorts() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortsKey, 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS)
        return;
    ScopedRegKey ports(raw);
    std::vector<std::wstring> ours;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(raw, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (std::wstring(name, length).rfind(TestPortPrefix, 0) == 0)
            ours.push_back(std::wstring(name, length));
    }
    for (const std::wstring& port : ours)
        RegDeleteKeyW(raw, port.c_str());
}

// A raw or LPR port of the spooler's TCP/IP monitor, as Windows writes one.
bool addSpoolerPort(const std::wstring& name, const std::wstring& host, DWORD port,
                    DWORD protocol) {
    HKEY raw = nullptr;
    std::wstring path = std::wstring(PortsKey) + L"\\" + TestPortPrefix + name;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        return false;
    ScopedRegKey key(raw);
    auto text = [raw](const wchar_t* value, const std::wstring& s) {
        return RegSetValueExW(raw, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                              static_cast<DWORD>((s.size() + 1) * sizeof(wchar_t)));
    };
    auto number = [raw](const wchar_t* value, DWORD n) {
        return RegSetValueExW(raw, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n),
                              sizeof n);
    };
    return text(L"HostName", host) == ERROR_SUCCESS && text(L"IPAddress", L"") == ERROR_SUCCESS &&
           number(L"PortNumber", port) == ERROR_SUCCESS &&
           number(L"Protocol", protocol) == ERROR_SUCCESS;
}

// A firmware file the printer accepts: it resets and comes back with the new version.
std::wstring writeFirmware(const std::string& model, const std::string& aio,
                           size_t payloadBytes = 20000) {
    std::string payload(payloadBytes, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 7);
    FlsHeader header;
    header.model = model;
    header.aioVersion = aio;
    header.payloadLength = static_cast<uint32_t>(payload.size());
    header.payloadCrc = Crc32::of(payload.data(), payload.size());
    uint8_t raw[FlsHeader::kSize];
    EXPECT_EQ(header.write(raw), FlsStatus::Ok);
    std::wstring path = exeFolder() + L"comm-sim-test.fls";
    writeFile(path, std::string(reinterpret_cast<char*>(raw), sizeof raw) + payload);
    return path;
}

class CommSim : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryW((exeFolder() + L"KIVComm.dll").c_str());
        ASSERT_NE(library_, nullptr);
        factory_ = getProcAddressAs<DllGetKIVCommFn>(library_, "DllGetKIVComm");
        ASSERT_NE(factory_, nullptr);
    }

    void SetUp() override {
        ASSERT_FALSE(simNet().empty()) << "run through with-sim.sh";
        deleteTestPorts();
        configPath_ = exeFolder() + L"comm-sim-config.ini";
        writeFile(configPath_, ";KIV Config File\r\n[DeviceInfo]\r\nVendor=Oskel\r\n"
                               "ModelName=K206\r\nVID=7b1e\r\nPIDs=1234,31C7\r\n"
                               "[Verifications]\r\nExactModelMatch=true\r\nVerifyPIDVID=true\r\n");
        options_.setCfgIniPath(configPath_);
        comm_ = factory_(&options_);
        ASSERT_NE(comm_, nullptr);
    }

    void TearDown() override {
        delete comm_;
        deleteTestPorts();
        DeleteFileW(configPath_.c_str());
    }

    static KIVDevice printerAt(int host, int port = 0) {
        KIVDevice device;
        device.setType(port ? KIVDevice::TypeNetwork : KIVDevice::TypeIpAddress);
        device.setIPAddress(simAddress(host));
        device.setTcpPort(port);
        return device;
    }

    // Enumerates with only these entered addresses; statuses come back in them.
    std::vector<KIVDevice> enumerate(std::vector<ipAddressObject>& entered, bool withList = true) {
        IpAddressArray addresses;
        for (ipAddressObject& entry : entered)
            addresses.push_back(&entry);
        KIVDeviceArray* list = nullptr;
        comm_->createDeviceList(&list);
        EXPECT_NE(list, nullptr);
        EXPECT_EQ(comm_->enumerateDevices(list, withList ? &addresses : nullptr), 0);
        std::vector<KIVDevice> found;
        for (KIVDevice* device : *list)
            found.push_back(*device);
        comm_->freeDeviceList(&list);
        EXPECT_EQ(list, nullptr);
        return found;
    }

    // raw: the engine's flash-scan query, asked at once or never; step: a
    // command of the flash sequence, which may be answered late.
    enum Kind { Packet, Raw, Step };
    Bytes send(KIVDevice& device, const wchar_t* command, Kind kind = Packet) {
        unsigned char* reply = nullptr;
        uint32_t length = 0;
        if (kind != Packet)
            comm_->sendRaw(&device, command, &reply, &length,
                           kind == Raw ? IComTarget::RawAnswersAtOnce
                                       : IComTarget::RawAnswersInTime);
        else
            comm_->sendPacket(&device, command, &reply, &length);
        return length ? Bytes(reply, reply + length) : Bytes();
    }

    static HMODULE library_;
    static DllGetKIVCommFn factory_;
    KIVOptions options_;
    std::wstring configPath_;
    IComTarget* comm_ = nullptr;
};

// The links of this machine to address that wait out their time after a close.
size_t linksWaitingTo(const std::wstring& address) {
    uint32_t host = 0;
    if (!parseIpAddress(address, host))
        return 0;
    DWORD size = 0;
    GetExtendedTcpTable(nullptr, &size, FALSE, AF_INET, TCP_TABLE_BASIC_ALL, 0);
    std::vector<BYTE> buffer(size + 4096);
    size = static_cast<DWORD>(buffer.size());
    if (GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET, TCP_TABLE_BASIC_ALL, 0) !=
        NO_ERROR)
        return 0;
    const MIB_TCPTABLE* table = reinterpret_cast<const MIB_TCPTABLE*>(buffer.data());
    size_t n = 0;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_TCPROW& row = table->table[i];
        n += row.dwState == MIB_TCP_STATE_TIME_WAIT && ntohl(row.dwRemoteAddr) == host;
    }
    return n;
}

HMODULE CommSim::library_ = nullptr;
DllGetKIVCommFn CommSim::factory_ = nullptr;
} // namespace

// Every printer that answers is listed; which of them fit is the engine's call.
TEST_F(CommSim, EnteredAddressesGetStatusesAndEveryAnsweringPrinterIsListed) {
    std::vector<ipAddressObject> entered = {
        ipAddressObject(simAddress(10)), ipAddressObject(simAddress(12)),
        ipAddressObject(simAddress(14)), ipAddressObject(simAddress(11)),
        ipAddressObject(simAddress(13)), ipAddressObject(simAddress(19)),
        ipAddressObject(simAddress(10))};
    Clock::time_point start = Clock::now();
    std::vector<KIVDevice> found = enumerate(entered);
    std::printf("enumeration of 7 addresses: %lld ms\n", msSince(start));

    EXPECT_EQ(entered[0].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(entered[1].getStatus(), ipAddressObject::PrinterFound); // other model
    EXPECT_EQ(entered[2].getStatus(), ipAddressObject::NoPrinter);    // nothing listens
    EXPECT_EQ(entered[3].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(entered[4].getStatus(), ipAddressObject::PrinterFound); // product identifier
    EXPECT_EQ(entered[5].getStatus(), ipAddressObject::PrinterFound); // identifiers cut short
    EXPECT_EQ(entered[6].getStatus(), ipAddressObject::PrinterFound); // entered twice
    ASSERT_EQ(found.size(), 5u);
    const int hosts[] = {10, 12, 11, 13, 19};
    const wchar_t* names[] = {L"K206", L"K306", L"K206", L"K206", nullptr};
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].getIPAddress(), simAddress(hosts[i]));
        EXPECT_EQ(found[i].getType(), KIVDevice::TypeIpAddress);
        EXPECT_EQ(found[i].getTcpPort(), 9100);
        // A printer that does not tell its model is named by its address.
        EXPECT_EQ(found[i].getName(), names[i] ? names[i] : simAddress(hosts[i]));
    }
    EXPECT_EQ(found[0].getHardwareIds(), L"7B1E:31C7");
    EXPECT_EQ(found[3].getHardwareIds(), L"7B1E:31C8");
}

// The readiness probe says nothing on its link: however often a fleet's
// restart waits ask it, it leaves no closed link holding a port of this
// machine.
TEST_F(CommSim, ReadinessProbesLeaveNoLinkWaitingOutItsTime) {
    KIVDevice printer = printerAt(10);
    const size_t before = linksWaitingTo(simAddress(10));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(comm_->isDeviceReady(&printer));
    EXPECT_LT(linksWaitingTo(simAddress(10)), before + 5);
}

// A printer that misses the search's first connection (a Wi-Fi printer
// waking up, say) is asked again a moment later, and listed.
TEST_F(CommSim, APrinterThatMissesTheFirstConnectionIsStillListed) {
    ASSERT_TRUE(simSet("good1", "Offline", "1"));
    // Switched off once a connection is refused.
    KIVDevice probe = printerAt(10);
    for (int i = 0; i < 40 && comm_->isDeviceReady(&probe); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(comm_->isDeviceReady(&probe));
    std::thread back([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        simSet("good1", "Offline", "0");
    });
    std::vector<ipAddressObject> entered = {ipAddressObject(simAddress(10))};
    std::vector<KIVDevice> found = enumerate(entered);
    back.join();
    EXPECT_EQ(entered[0].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(found.size(), 1u);
    ASSERT_TRUE(simSet("good1", "Offline", "0"));
}

// Command-line entries keep their blanks ("-d A, 1.2.3.4") and pass the
// system's address check; the record must carry the address the caller finds
// again by the trimmed entry.
TEST_F(CommSim, BlanksAroundAnEnteredAddressAreNotPartOfIt) {
    std::vector<ipAddressObject> entered = {
        ipAddressObject(L" " + simAddress(10)), ipAddressObject(simAddress(11) + L" \t"),
        ipAddressObject(simAddress(10)), ipAddressObject(L" " + simAddress(12) + L" ")};
    std::vector<KIVDevice> found = enumerate(entered);
    EXPECT_EQ(entered[0].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(entered[1].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(entered[2].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(entered[3].getStatus(), ipAddressObject::PrinterFound);
    // The entries keep their text; only the records are trimmed.
    EXPECT_EQ(entered[0].getAddress(), L" " + simAddress(10));
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[2].getIPAddress(), simAddress(12));
    EXPECT_EQ(found[0].getIPAddress(), simAddress(10));
    EXPECT_EQ(found[1].getIPAddress(), simAddress(11));
    EXPECT_TRUE(comm_->isDeviceReady(&found[0]));
}

// The system's address check accepts more than four decimal parts; every
// form it accepts is asked, at the address it names.
TEST_F(CommSim, EveryAddressFormTheCheckAcceptsIsAsked) {
    const std::wstring net = simNet(); // "a.b.c"
    const size_t dot1 = net.find(L'.'), dot2 = net.rfind(L'.');
    const std::wstring a = net.substr(0, dot1), b = net.substr(dot1 + 1, dot2 - dot1 - 1);
    const unsigned c = static_cast<unsigned>(std::stoul(net.substr(dot2 + 1)));
    wchar_t hexA[16];
    std::swprintf(hexA, 16, L"0x%lX", std::stoul(a));
    std::vector<ipAddressObject> entered = {
        ipAddressObject(a + L"." + b + L"." + std::to_wstring(c * 256 + 10)),
        ipAddressObject(std::wstring(hexA) + L"." + b + L"." + std::to_wstring(c) + L".10"),
        ipAddressObject(L"http://" + simAddress(10))};
    for (const ipAddressObject& entry : entered)
        ASSERT_EQ(checkIpAddress(entry.getAddress()), 1) << entry.getAddress();
    std::vector<KIVDevice> found = enumerate(entered);
    for (const ipAddressObject& entry : entered)
        EXPECT_EQ(entry.getStatus(), ipAddressObject::PrinterFound) << entry.getAddress();
    ASSERT_EQ(found.size(), 3u);
    for (KIVDevice& device : found)
        EXPECT_TRUE(comm_->isDeviceReady(&device)) << device.getIPAddress();
}

TEST_F(CommSim, ChecksFollowTheConfigurationSwitches) {
    writeFile(configPath_, "[DeviceInfo]\r\nModelName=K206\r\nVID=7B1E\r\nPIDs=31C7\r\n"
                           "[Verifications]\r\nExactModelMatch=false\r\nVerifyPIDVID=TRUE\r\n");
    std::vector<ipAddressObject> entered = {ipAddressObject(simAddress(12)),
                                            ipAddressObject(simAddress(13))};
    std::vector<KIVDevice> found = enumerate(entered);
    EXPECT_EQ(entered[0].getStatus(), ipAddressObject::PrinterFound);
    EXPECT_EQ(entered[1].getStatus(), ipAddressObject::PrinterFound);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].getName(), L"K306"); // the name is what the printer reports
}

TEST_F(CommSim, SilentPrinterIsBoundedInTime) {
    std::vector<ipAddressObject> entered = {ipAddressObject(simAddress(15))};
    Clock::time_point start = Clock::now();
    // It takes the link, so it is listed; the engine finds it unreadable.
    EXPECT_EQ(enumerate(entered).size(), 1u);
    long long enumerateMs = msSince(start);
    EXPECT_EQ(entered[0].getStatus(), ipAddressObject::PrinterFound);

    KIVDevice silent = printerAt(15);
    start = Clock::now();
    EXPECT_TRUE(send(silent, L"A5000750E08100020510").empty());
    long long packetMs = msSince(start);
    start = Clock::now();
    EXPECT_TRUE(send(silent, L"1B2A730108", Raw).empty());
    long long rawMs = msSince(start);
    start = Clock::now();
    EXPECT_TRUE(send(silent, L"AABB", Step).empty());
    long long stepMs = msSince(start);
    std::printf("silent printer: enumeration %lld ms, sendPacket %lld ms, sendRaw %lld ms, "
                "sequence command %lld ms\n",
                enumerateMs, packetMs, rawMs, stepMs);
    EXPECT_LT(enumerateMs, 10000); // only a hang is caught here
    // A printer is given up about two seconds after the command.
    EXPECT_LT(packetMs, 2500);
    EXPECT_LT(stepMs, 2500);
    EXPECT_LT(rawMs, 700);
}

TEST_F(CommSim, RepliesArriveByteForByte) {
    KIVDevice good = printerAt(11);
    EXPECT_EQ(send(good, L"A5000750E08100020013"),
              (Bytes{0xA5, 0x00, 0x0C, 0x50, 0xE0, 0x81, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7B, 0x1E,
                     0x31, 0xC7}));
    EXPECT_EQ(send(good, L"A5000750E08100020011"),
              (Bytes{0xA5, 0x00, 0x04, 0x50, 0xE0, 0x81, 0x00}));

    Bytes version = send(good, L"A5000750E08100020510");
    ASSERT_GE(version.size(), 8u);
    EXPECT_EQ(version[1] << 8 | version[2], static_cast<int>(version.size()) - 3);
    EXPECT_EQ(version.back(), 0);
    std::string text(version.begin() + 7, version.end() - 1);
    EXPECT_NE(text.find(" K206_G082511_00 "), std::string::npos) << text;
    EXPECT_NE(text.find(" AB.123456 CDEFG"), std::string::npos) << text;

    std::string scan = "K206_FS0101_00";
    Bytes expected(scan.begin(), scan.end());
    expected.push_back(0);
    EXPECT_EQ(send(good, L"1B2A730108", Raw), expected);

    // A printer that sends short but whole frames: handed on as they are.
    KIVDevice cut = printerAt(19);
    EXPECT_EQ(send(cut, L"A5000750E08100020013").size(), 12u);
    // A frame that ends before the length it announces: nothing is handed on.
    KIVDevice broken = printerAt(20);
    EXPECT_TRUE(send(broken, L"A5000750E08100020013").empty());
    EXPECT_TRUE(send(broken, L"A5000750E08100020510").empty());
    std::vector<ipAddressObject> entered = {ipAddressObject(simAddress(20))};
    EXPECT_EQ(enumerate(entered).size(), 1u);
    EXPECT_EQ(entered[0].getStatus(), ipAddressObject::PrinterFound);
}

// Printers that answer late or keep the link open after their part.
TEST_F(CommSim, LateAndKeepOpenPrintersCostBoundedTime) {
    KIVDevice good = printerAt(11);
    const std::string scan = "K206_FS0101_00";
    ASSERT_TRUE(simSet("good2", "KeepOpen", "1"));
    Clock::time_point start = Clock::now();
    EXPECT_EQ(send(good, L"1B2A730108", Raw).size(), scan.size() + 1);
    EXPECT_EQ(send(good, L"A5000750E08100020011").size(), 7u);
    EXPECT_LT(msSince(start), 1500);

    // An A5 command may take its time; the raw query is answered soon or
    // never, since the engine asks it again and again.
    ASSERT_TRUE(simSet("good2", "ReplySeconds", "1.2"));
    EXPECT_EQ(send(good, L"A5000750E08100020011").size(), 7u);
    start = Clock::now();
    EXPECT_TRUE(send(good, L"1B2A730108", Raw).empty());
    EXPECT_LT(msSince(start), 700);
    ASSERT_TRUE(simSet("good2", "ReplySeconds", "0.1"));
    EXPECT_EQ(send(good, L"1B2A730108", Raw).size(), scan.size() + 1);
    // A command of the flash sequence, raw or framed, answered after 1.5 s.
    ASSERT_TRUE(simSet("good2", "ReplySeconds", "1.5"));
    ASSERT_TRUE(simSet("good2", "Cmd.AABB", "0102030405"));
    ASSERT_TRUE(simSet("good2", "Cmd.A50002CCDD", "A5000101"));
    EXPECT_EQ(send(good, L"AABB", Step), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(send(good, L"A50002CCDD", Step), (Bytes{0xA5, 0, 1, 1}));
    ASSERT_TRUE(simRestore("good2"));

    // A firmware file to a printer that never closes its side.
    ASSERT_TRUE(simSet("resetting", "KeepOpen", "1"));
    KIVDevice printer = printerAt(16);
    std::wstring firmware = writeFirmware("K206", "K206_G090909_00");
    start = Clock::now();
    comm_->sendFile(&printer, firmware.c_str());
    EXPECT_LT(msSince(start), 1500);
    for (int i = 0; i < 50 && simStateField("resetting", "accepted") != "1"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(simStateField("resetting", "accepted"), "1") << "every byte arrived";
    DeleteFileW(firmware.c_str());
    simRestore("resetting");
    // Back as it was for the tests after this one.
    for (int i = 0; i < 100 && !comm_->isDeviceReady(&printer); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// A printer that stops reading mid-file for seven seconds still gets all of
// it; a package whose whole update may take less gives up sooner.
TEST_F(CommSim, FileSurvivesAPrinterThatPausesReading) {
    KIVDevice printer = printerAt(21);
    std::wstring firmware = writeFirmware("K206", "K206_G090909_00", 4 << 20);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(comm_->sendFile(&printer, firmware.c_str()), 0);
    EXPECT_GE(msSince(start), 6000) << "the pause never reached the sender";
    for (int i = 0; i < 100 && simStateField("pausing", "last") == "-"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(simStateField("pausing", "last"), "accepted");
    simRestore("pausing");

    writeFile(configPath_, ";KIV Config File\r\n[Timers]\r\nFlashTimeout=5\r\n");
    for (int i = 0; i < 100 && !comm_->isDeviceReady(&printer); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    start = Clock::now();
    EXPECT_EQ(comm_->sendFile(&printer, firmware.c_str()), 2); // SendFailed
    EXPECT_LT(msSince(start), 6900);
    DeleteFileW(firmware.c_str());
}

TEST_F(CommSim, NotReadyWhileThePrinterResets) {
    KIVDevice printer = printerAt(16);
    ASSERT_TRUE(comm_->isDeviceReady(&printer));
    std::wstring firmware = writeFirmware("K206", "K206_G090909_00");
    comm_->sendFile(&printer, firmware.c_str());
    EXPECT_FALSE(comm_->isDeviceReady(&printer));
    EXPECT_TRUE(send(printer, L"A5000750E08100020011").empty());
    Clock::time_point start = Clock::now();
    bool back = false;
    while (!back && msSince(start) < 15000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        back = comm_->isDeviceReady(&printer);
    }
    ASSERT_TRUE(back);
    std::printf("printer away for about %lld ms after the file\n", msSince(start));
    Bytes version = send(printer, L"A5000750E08100020510");
    EXPECT_NE(std::string(version.begin(), version.end()).find("K206_G090909_00"),
              std::string::npos);
    EXPECT_EQ(simStateField("resetting", "accepted"), "1");
    DeleteFileW(firmware.c_str());
    simRestore("resetting");
}

TEST_F(CommSim, SpoolerPortsAreListedWithTheirPort) {
    // Print queues, one of them pooling two ports (port names are not case-bound).
    struct Queue {
        std::wstring path;
        Queue(const wchar_t* name, const std::wstring& ports, const wchar_t* driver)
            : path(std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + name) {
            HKEY raw = nullptr;
            if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &raw, nullptr) != ERROR_SUCCESS)
                return;
            ScopedRegKey key(raw);
            RegSetValueExW(raw, L"Port", 0, REG_SZ, reinterpret_cast<const BYTE*>(ports.c_str()),
                           static_cast<DWORD>((ports.size() + 1) * sizeof(wchar_t)));
            RegSetValueExW(raw, L"Printer Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver),
                           static_cast<DWORD>((wcslen(driver) + 1) * sizeof(wchar_t)));
        }
        ~Queue() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str()); }
    };
    const std::wstring good = std::wstring(TestPortPrefix) + L"good";
    Queue office(L"KIV test office", L"LPT1:, " + good, L"Acme Laser");
    Queue ours(L"KIV test ours", upperAscii(good), L"Oskel K206w");
    ASSERT_TRUE(addSpoolerPort(L"good", simAddress(17), 9101, 1));
    ASSERT_TRUE(addSpoolerPort(L"good2", simAddress(17), 9101, 1)); // same printer again
    ASSERT_TRUE(addSpoolerPort(L"other", simAddress(18), 9101, 1));
    ASSERT_TRUE(addSpoolerPort(L"lpr", simAddress(10), 9100, 2));
    ASSERT_TRUE(addSpoolerPort(L"absent", simAddress(14), 9100, 1));
    // Already entered: asked once, listed once.
    ASSERT_TRUE(addSpoolerPort(L"entered", simAddress(11), 9100, 1));
    std::vector<ipAddressObject> entered = {ipAddressObject(simAddress(11))};
    std::vector<KIVDevice> found = enumerate(entered);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].getType(), KIVDevice::TypeIpAddress);
    EXPECT_EQ(found[0].getIPAddress(), simAddress(11));
    EXPECT_EQ(found[0].getPortName(), std::wstring(TestPortPrefix) + L"entered")
        << "named by its port as well";
    // Another model answers too; the engine is the one to turn it down.
    EXPECT_EQ(found[2].getName(), L"K306");
    EXPECT_EQ(found[2].getPortName(), std::wstring(TestPortPrefix) + L"other");
    const KIVDevice& spooled = found[1];
    EXPECT_EQ(spooled.getType(), KIVDevice::TypeNetwork);
    EXPECT_EQ(spooled.getName(), L"K206");
    EXPECT_EQ(spooled.getIPAddress(), simAddress(17));
    EXPECT_EQ(spooled.getPortName(), std::wstring(TestPortPrefix) + L"good");
    EXPECT_EQ(spooled.getTcpPort(), 9101);

    // The drivers of the queues that print to the port go with its record,
    // for the engine to judge a silent printer by; a port no queue uses has none.
    EXPECT_EQ(spooled.getQueueDrivers(), L"Acme Laser|Oskel K206w|");
    EXPECT_EQ(found[2].getQueueDrivers(), L"");

    // The record reaches the printer on the port's own number.
    KIVDevice copy = spooled;
    EXPECT_TRUE(comm_->isDeviceReady(&copy));
    EXPECT_EQ(send(copy, L"A5000750E08100020011").size(), 7u);
}

TEST_F(CommSim, NoAddressesAndNoUsbPrintersUnderWine) {
    std::vector<ipAddressObject> none;
    // No spooler ports of ours and no USB printing interfaces: nothing, and no crash.
    EXPECT_TRUE(enumerate(none, false).empty());
}
