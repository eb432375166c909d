#include "IUpdater.h"
#include "KIVOptions.h"
#include "TestSupport.h"
#include "WindowsSupport.h"

#include <gtest/gtest.h>

namespace {

IUpdater* makeFrom(const std::wstring& packageFolder, int32_t& rc) {
    KIVOptions options;
    options.getRsrcMgr().setDirectories(packageFolder, L"");
    rc = -1;
    return IUpdater::makeUpdater(&options, &rc);
}

bool isLoaded() {
    return GetModuleHandleW(L"Updater.dll") != nullptr;
}

TEST(UpdaterBinding, WorkingFactoryLoadsAndFreesTheLibrary) {
    int32_t rc = -1;
    IUpdater* updater = makeFrom(exeFolder() + L"stubs\\ok\\", rc);
    ASSERT_NE(updater, nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(updater->forwardExtension1(41), 42);
    std::wstring version;
    updater->getPackageVersionString(nullptr, &version);
    EXPECT_EQ(version, L"STUB");
    IUpdater* second = makeFrom(exeFolder() + L"stubs\\ok\\", rc);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, updater);
    delete second;
    EXPECT_TRUE(IUpdater::freeUpdaterLib(updater));
    EXPECT_FALSE(isLoaded());

    // After the release a new bind loads the library again.
    updater = makeFrom(exeFolder() + L"stubs\\ok\\", rc);
    ASSERT_NE(updater, nullptr);
    EXPECT_EQ(updater->forwardExtension2(1), 3);
    EXPECT_TRUE(IUpdater::freeUpdaterLib(updater));
    EXPECT_FALSE(IUpdater::freeUpdaterLib(nullptr)) << "nothing left to release";
}

TEST(UpdaterBinding, FailuresGiveSevenAndNull) {
    int32_t rc = -1;
    EXPECT_EQ(makeFrom(exeFolder() + L"stubs\\null\\", rc), nullptr);
    EXPECT_EQ(rc, 7);
    EXPECT_TRUE(IUpdater::freeUpdaterLib(nullptr));

    EXPECT_EQ(makeFrom(exeFolder() + L"stubs\\noexport\\", rc), nullptr);
    EXPECT_EQ(rc, 7);
    EXPECT_TRUE(IUpdater::freeUpdaterLib(nullptr));

    TempFolder empty;
    EXPECT_EQ(makeFrom(empty.path(), rc), nullptr);
    EXPECT_EQ(rc, 7);
    EXPECT_FALSE(isLoaded());
}

TEST(UpdaterBinding, NoSearchPathLoadsForEmptyOrRelativeFolders) {
    // A copy of a loadable Updater.dll sits in the current folder, where a
    // load by bare or relative name would find it.
    TempFolder folder;
    CopyFileW((exeFolder() + L"stubs\\ok\\Updater.dll").c_str(),
              (folder.path() + L"Updater.dll").c_str(), FALSE);
    wchar_t previous[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, previous);
    SetCurrentDirectoryW(folder.path().c_str());
    int32_t rc = -1;
    EXPECT_EQ(makeFrom(L"", rc), nullptr);
    EXPECT_EQ(rc, 7);
    EXPECT_EQ(makeFrom(L".\\", rc), nullptr);
    EXPECT_EQ(rc, 7);
    EXPECT_FALSE(isLoaded());
    SetCurrentDirectoryW(previous);
}

TEST(UpdaterBinding, FailureMessagesInTheLog) {
    ScopedTestLog log;
    ASSERT_NE(log.logger(), nullptr);
    int32_t rc = -1;
    TempFolder empty;
    makeFrom(empty.path(), rc);
    makeFrom(exeFolder() + L"stubs\\noexport\\", rc);
    IUpdater::freeUpdaterLib(nullptr);
    makeFrom(exeFolder() + L"stubs\\null\\", rc);
    IUpdater::freeUpdaterLib(nullptr);
    std::vector<std::string> texts = log.texts();
    EXPECT_NE(findText(texts, " IUpdater::makeUpdater(): LoadLibrary() failed on path= " +
                                  narrow(empty.path()) + "Updater.dll"),
              -1);
    EXPECT_NE(findText(texts, " IUpdater::makeUpdater(): GetProcAddress() failed to find "
                              "DllGetUpdater function"),
              -1);
    EXPECT_NE(findText(texts, " IUpdater::makeUpdater(): DllGetUpdater factory function failed "
                              "to return the Updater object."),
              -1);
    EXPECT_NE(findText(texts, "IUpdater::freeUpdaterLib: "), -1);
    std::string raw = readFileBytes(log.path());
    EXPECT_NE(raw.find("Updater                   +IUpdater::makeUpdater(): "), std::string::npos)
        << "written under the Updater component";
}

} // namespace
