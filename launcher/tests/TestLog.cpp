#include "TestLog.h"

#include "BasicLogger.h"
#include "LauncherTestSupport.h"

#include <gtest/gtest.h>

namespace kivtest {
namespace {

std::wstring g_logFolder;

class LogEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_logFolder = makeTestFolder(L"kivtestlog");
        ::SetEnvironmentVariableW(L"ALLUSERSPROFILE", g_logFolder.c_str());
        setRegDword(L"Software\\Oskel", L"kivlog", 1);
        logger_ = makeBasicLogger();
    }
    void TearDown() override {
        delete logger_;
        deleteRegValue(L"Software\\Oskel", L"kivlog");
        removeTree(g_logFolder);
    }

private:
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
