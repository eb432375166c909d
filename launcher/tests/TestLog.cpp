#include "TestLog.h"

#include "BasicLogger.h"
#include "LauncherTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace kivtest {
namespace {

std::wstring g_logFolder;

// The brand values the tests change, as they were before the run.
class BrandValues {
public:
    void save() {
        for (const wchar_t* key : {L"Software\\Tavrin", L"Software\\Oskel"})
            for (const wchar_t* name : {L"kivlog", L"KivRetCode"}) {
                Saved v{key, name, false, 0, {}};
                HKEY k = nullptr;
                if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &k) ==
                    ERROR_SUCCESS) {
                    BYTE data[256];
                    DWORD size = sizeof(data);
                    if (::RegQueryValueExW(k, name, nullptr, &v.type, data, &size) ==
                        ERROR_SUCCESS) {
                        v.present = true;
                        v.data.assign(data, data + size);
                    }
                    ::RegCloseKey(k);
                }
                saved_.push_back(v);
            }
    }
    void restore() {
        for (const Saved& v : saved_) {
            deleteRegValue(v.key, v.name);
            HKEY k = nullptr;
            if (!v.present ||
                ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, v.key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &k, nullptr) != ERROR_SUCCESS)
                continue;
            ::RegSetValueExW(k, v.name, 0, v.type, v.data.data(),
                             static_cast<DWORD>(v.data.size()));
            ::RegCloseKey(k);
        }
    }

private:
    struct Saved {
        const wchar_t* key;
        const wchar_t* name;
        bool present;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<Saved> saved_;
};

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        brand_.save();
        g_logFolder = makeTestFolder(L"kivtestlog");
        ::SetEnvironmentVariableW(L"ALLUSERSPROFILE", g_logFolder.c_str());
        setRegDword(L"Software\\Oskel", L"kivlog", 1);
        logger_ = makeBasicLogger();
    }
    void TearDown() override {
        delete logger_;
        brand_.restore();
        removeTree(g_logFolder);
    }

private:
    BrandValues brand_;
    BasicLogger* logger_ = nullptr;
};

::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

} // namespace

size_t logMark() {
    return readFile(g_logFolder + L"KIVlog.txt").size();
}

std::string logSince(size_t mark) {
    std::string all = readFile(g_logFolder + L"KIVlog.txt");
    return mark < all.size() ? all.substr(mark) : std::string();
}

} // namespace kivtest
