// recordInstalledVersion against the real registry, with config.ini files
// written by the test.
#include "InstalledVersion.h"
#include "KIVOptions.h"
#include "LauncherTestSupport.h"
#include "TestLog.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <streambuf>

using namespace kivtest;

namespace {

const wchar_t kOskelKey[] = L"Software\\OskelInkjet\\KIV";
const wchar_t kTavrinKey[] = L"Software\\TavrinInkjet\\KIV";

class InstalledVersion : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = makeTestFolder(L"kivver");
        clearKeys();
    }
    void TearDown() override {
        clearKeys();
        removeTree(dir_);
    }
    static void clearKeys() {
        deleteRegKey(kOskelKey);
        deleteRegKey(L"Software\\OskelInkjet");
        deleteRegKey(kTavrinKey);
        deleteRegKey(L"Software\\TavrinInkjet");
    }
    void useConfig(const std::string& deviceInfo) {
        std::wstring path = dir_ + L"config.ini";
        writeFile(path, ";KIV Config File\r\n[DeviceInfo]\r\n" + deviceInfo +
                            "ModelName=K206\r\n[Versions]\r\nFirmwareVersion1=K206_G082511_00\r\n");
        options_.setCfgIniPath(path);
    }
    void addDevice(int32_t status) {
        KIVDevice d;
        d.setName(L"K206");
        d.setUpdateStatus(status);
        options_.addDeviceToList(d);
    }
    bool anyRecord() {
        HKEY k = nullptr;
        for (const wchar_t* key :
             {kOskelKey, kTavrinKey, L"Software\\OskelInkjet", L"Software\\TavrinInkjet"})
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &k) == ERROR_SUCCESS) {
                ::RegCloseKey(k);
                return true;
            }
        return false;
    }

    std::wstring dir_;
    KIVOptions options_;
};

} // namespace

TEST_F(InstalledVersion, BothBrandsRecordUnderTheirKeyWithBlanksAsUnderscores) {
    const std::wstring version = L"K206_G082511_00";
    struct Case {
        const char* vendor;
        const wchar_t* key;
    } const cases[] = {{"Oskel", kOskelKey}, {"Tavrin", kTavrinKey}};
    for (const Case& c : cases) {
        clearKeys();
        options_.clearDeviceList();
        useConfig(std::string("Vendor=") + c.vendor + "\r\nDriverModelName=Oskel K206w Series\r\n");
        addDevice(KIVDevice::NotHandled);
        addDevice(KIVDevice::Updated);
        recordInstalledVersion(&options_, version);
        std::wstring data;
        DWORD bytes = 0;
        ASSERT_TRUE(readRegString(c.key, L"Oskel_K206w_Series", data, bytes)) << c.vendor;
        EXPECT_EQ(data, version);
        EXPECT_EQ(bytes, (version.size() + 1) * sizeof(wchar_t)); // with its terminating zero
    }
}

TEST_F(InstalledVersion, NothingIsWrittenWithoutAnUpdatedDeviceOrAKnownVendor) {
    useConfig("Vendor=Oskel\r\nDriverModelName=Oskel K206w\r\n");
    addDevice(KIVDevice::NotHandled);
    addDevice(KIVDevice::UpdateFailed);
    recordInstalledVersion(&options_, L"V1");
    EXPECT_FALSE(anyRecord());

    // A vendor this program does not know, or none: nothing is written, and
    // the result lines say why.
    options_.clearDeviceList();
    addDevice(KIVDevice::Updated);
    useConfig("Vendor=OSKEL\r\nDriverModelName=Oskel K206w\r\n");
    std::wostringstream lines;
    EXPECT_FALSE(recordInstalledVersion(&options_, L"V1", &lines));
    EXPECT_FALSE(anyRecord()) << "the vendor comparison is exact";
    useConfig("DriverModelName=Oskel K206w\r\n");
    EXPECT_FALSE(recordInstalledVersion(&options_, L"V1", &lines));
    EXPECT_FALSE(anyRecord());
    EXPECT_EQ(lines.str(), L"Installed version not recorded: config.ini names no brand this "
                           L"program knows (Vendor=OSKEL)\n"
                           L"Installed version not recorded: config.ini names no brand this "
                           L"program knows (Vendor=)\n");
}

// A console takes only the characters of its code page; a line with one it
// cannot show still ends, and the lines after it stand on their own.
TEST_F(InstalledVersion, ALineTheConsoleCannotShowWholeStaysALine) {
    struct CodePageOnly : std::wstreambuf {
        std::wstring taken;
        int_type overflow(int_type c) override {
            if (c == traits_type::eof() || c > 0xFF)
                return traits_type::eof();
            taken += static_cast<wchar_t>(c);
            return c;
        }
    } console;
    std::wostream lines(&console);
    addDevice(KIVDevice::Updated);
    useConfig("Vendor=\xD0\x96\r\nDriverModelName=Oskel K206w\r\n");
    EXPECT_FALSE(recordInstalledVersion(&options_, L"V1", &lines));
    EXPECT_FALSE(recordInstalledVersion(&options_, L"V1", &lines));
    // Whatever the code page made of the bytes, each line is whole.
    std::wistringstream taken(console.taken);
    std::wstring line;
    int count = 0;
    while (std::getline(taken, line)) {
        ++count;
        EXPECT_EQ(line.find(L"Installed version not recorded: "), 0u) << line;
        EXPECT_EQ(line.back(), L')') << line;
    }
    EXPECT_EQ(count, 2) << console.taken;
}

TEST_F(InstalledVersion, EveryUpdatedDeviceWritesTheSameValue) {
    useConfig("Vendor=Tavrin\r\n");
    for (int i = 0; i < 3; ++i)
        addDevice(KIVDevice::Updated);
    recordInstalledVersion(&options_, L"K206_G010111_00");
    std::wstring data;
    DWORD bytes = 0;
    // No DriverModelName: the value has the empty name (the key's default value).
    ASSERT_TRUE(readRegString(kTavrinKey, L"", data, bytes));
    EXPECT_EQ(data, L"K206_G010111_00");
}

TEST_F(InstalledVersion, AFailedWriteIsLoggedAndPrintedOnce) {
    // A volatile parent refuses a lasting subkey, as HKLM refuses one to a
    // standard user.
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\TavrinInkjet", 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(raw);
    useConfig("Vendor=Tavrin\r\n");
    addDevice(KIVDevice::Updated);
    addDevice(KIVDevice::Updated);
    const size_t mark = logMark();
    std::wostringstream resultLines;
    EXPECT_FALSE(recordInstalledVersion(&options_, L"V1", &resultLines));
    const std::wstring wide = resultLines.str();
    const std::string printed(wide.begin(), wide.end());
    ASSERT_EQ(printed.find("Installed version not recorded: RegCreateKeyEx failed on "
                           "HKLM\\Software\\TavrinInkjet\\KIV, error "),
              0u)
        << printed;
    // One line for both devices, the same in the log.
    const std::string log = logSince(mark);
    ASSERT_EQ(printed.find('\n'), printed.size() - 1) << printed;
    const std::string line = printed.substr(0, printed.size() - 1) + "\r\n";
    const size_t at = log.find(line);
    EXPECT_TRUE(at != std::string::npos && log.find(line, at + 1) == std::string::npos) << log;
}

TEST(InstalledVersionNames, KeyByExactVendorAndBlanksAsUnderscores) {
    EXPECT_EQ(installedVersionKey(L"Tavrin"), L"Software\\TavrinInkjet\\KIV");
    EXPECT_EQ(installedVersionKey(L"Oskel"), L"Software\\OskelInkjet\\KIV");
    EXPECT_EQ(installedVersionKey(L"OSKEL"), L"");
    EXPECT_EQ(installedVersionKey(L"Oskel "), L"");
    EXPECT_EQ(installedVersionValueName(L"Oskel K206w All"), L"Oskel_K206w_All");
    EXPECT_EQ(installedVersionValueName(L""), L"");
}
