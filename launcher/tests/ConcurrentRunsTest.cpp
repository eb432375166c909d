// Two real KIV.exe runs at once against the printer simulator, sharing one
// TEMP: an installer's console run and a user's run started close together.
#include "LauncherTestSupport.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace kivtest;

namespace {

std::set<std::wstring> missingFrom(const std::set<std::wstring>& want,
                                   const std::set<std::wstring>& have) {
    std::set<std::wstring> out;
    std::set_difference(want.begin(), want.end(), have.begin(), have.end(),
                        std::inserter(out, out.end()));
    return out;
}

std::string names(const std::set<std::wstring>& files) {
    std::string out;
    for (const std::wstring& f : files)
        out += std::string(f.begin(), f.end()) + " ";
    return out;
}

// Whether the run is mid-update: its printer went away for the reset.
bool resetDuring(const ChildProcess& run, const char* printer) {
    DWORD start = ::GetTickCount();
    while (simStateField(printer, "away") != "1" && run.running() &&
           ::GetTickCount() - start < 120000)
        ::Sleep(20);
    return run.running();
}

} // namespace

TEST(ConcurrentRuns, ASecondRunLeavesTheFolderOfARunningOneAlone) {
    ASSERT_FALSE(simNet().empty()) << "not started by with-sim.sh";
    ASSERT_TRUE(simRestore("first") && simRestore("second"));
    const std::wstring root = makeTestFolder(L"kivtwo");
    const std::wstring temp = root + L"temp\\";
    makeDir(temp);
    const std::vector<EnvChange> env = {{L"TEMP", false, temp.substr(0, temp.size() - 1)},
                                        {L"TMP", false, temp.substr(0, temp.size() - 1)}};
    const std::wstring exe = windowsPath(KIV_SHORT_EXE);

    ChildProcess first(exe, L"-m 2 -d " + simAddress(2), env, root, L"first.txt");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(resetDuring(first, "first")) << "the first run ended before its printer reset";
    ASSERT_EQ(subfolders(temp).size(), 1u);
    const std::wstring firstFolder = temp + subfolders(temp)[0] + L"\\";
    const std::set<std::wstring> firstFiles = listTree(firstFolder);
    for (const wchar_t* f : {L"Package\\config.ini", L"Package\\flash.fls", L"Package\\Updater.dll",
                             L"Common\\NoGuiUpdateMode.dll"})
        ASSERT_EQ(firstFiles.count(f), 1u) << "not unpacked: " << names({f});

    ChildProcess second(exe, L"-m 2 -d " + simAddress(3), env, root, L"second.txt");
    ASSERT_TRUE(second.started());
    bool overlapped = false;
    std::set<std::wstring> lost;
    while (first.running()) {
        std::set<std::wstring> gone = missingFrom(firstFiles, listTree(firstFolder));
        lost.insert(gone.begin(), gone.end());
        if (subfolders(temp).size() == 2 && first.running())
            overlapped = true;
        ::Sleep(20);
    }
    ChildResult firstResult = first.finish();
    ChildResult secondResult = second.finish();
    EXPECT_TRUE(overlapped) << "the second run did not start while the first ran";
    EXPECT_TRUE(lost.empty()) << lost.size()
                              << " file(s) of the running first run removed: " << names(lost);
    EXPECT_EQ(firstResult.exitCode, 0u) << firstResult.output;
    EXPECT_EQ(secondResult.exitCode, 0u) << secondResult.output;
    const std::vector<std::wstring> both = subfolders(temp);
    EXPECT_EQ(both.size(), 2u);

    // Once both have ended, a later run's start removes both folders; that
    // run then dies mid-update.
    ASSERT_TRUE(simRestore("first"));
    ChildProcess crashing(exe, L"-m 2 -d " + simAddress(2), env, root, L"crashing.txt");
    ASSERT_TRUE(resetDuring(crashing, "first"));
    const std::vector<std::wstring> crashed = subfolders(temp);
    ASSERT_EQ(crashed.size(), 1u);
    EXPECT_EQ(std::count(both.begin(), both.end(), crashed[0]), 0);
    const std::wstring marker = temp + crashed[0] + L"\\Package\\marker.txt";
    writeFile(marker, "left by a run that died");
    crashing.finish(0); // ended from outside, as a crash would end it

    // The system let go of the dead run's lock: the next start removes its folder.
    ChildResult later = runChild(exe, L"-m 2 -d NoSuchPrinter", env, root);
    EXPECT_EQ(later.exitCode, 9u) << later.output;
    EXPECT_FALSE(exists(marker));
    EXPECT_EQ(subfolders(temp).size(), 1u);
    removeTree(root);
}

// Two runs that choose one printer (an installer's and a user's): while the
// first flashes it, the second leaves it alone and says it was not updated.
TEST(ConcurrentRuns, TwoRunsDoNotFlashOnePrinterAtOnce) {
    ASSERT_FALSE(simNet().empty()) << "not started by with-sim.sh";
    ASSERT_TRUE(simRestore("paused"));
    const std::wstring root = makeTestFolder(L"kivsame");
    const std::wstring temp = root + L"temp";
    makeDir(temp);
    const std::vector<EnvChange> env = {{L"TEMP", false, temp}, {L"TMP", false, temp}};
    const std::wstring exe = windowsPath(KIV_SHORT_EXE);
    const std::wstring args = L"-m 2 -e 1 -d " + simAddress(4);

    ChildProcess first(exe, args, env, root, L"first.txt");
    ASSERT_TRUE(first.started());
    const DWORD start = ::GetTickCount();
    while (simStateField("paused", "received") != "1" && first.running() &&
           ::GetTickCount() - start < 60000)
        ::Sleep(20);
    ASSERT_TRUE(first.running()) << "the first run ended before it sent its file";
    ChildResult secondResult = runChild(exe, args, env, root);
    ChildResult firstResult = first.finish();
    EXPECT_EQ(firstResult.exitCode, 0u) << firstResult.output;
    EXPECT_EQ(secondResult.exitCode, 4u) << secondResult.output;
    EXPECT_NE(secondResult.output.find("Result: Failure"), std::string::npos)
        << secondResult.output;
    EXPECT_EQ(simStateField("paused", "received"), "1");
    EXPECT_EQ(simStateField("paused", "accepted"), "1");
    removeTree(root);
}
