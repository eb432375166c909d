// RsrcMgr's unpacking operations in this process: real folders, real
// resources of this test program, real links made on the Unix side.
#include "LauncherTestSupport.h"
#include "RsrcMgr.h"
#include "StaleEntry.h"
#include "TestLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace kivtest;

namespace {

class RsrcMgrFiles : public ::testing::Test {
protected:
    void SetUp() override { root_ = makeTestFolder(L"kivrsrc"); }
    void TearDown() override {
        for (const std::string& l : links_)
            unlinkUnix(l);
        removeTree(root_);
    }
    std::string link(const std::wstring& target, const std::wstring& linkPath) {
        std::string l = unixPath(linkPath);
        EXPECT_TRUE(linkUnix(unixPath(target), l));
        links_.push_back(l);
        return l;
    }

    std::wstring root_;
    std::vector<std::string> links_;
};

const char kBlob[] = "KIV test resource 401\n";

} // namespace

TEST_F(RsrcMgrFiles, StaleRunFoldersGoWithReadOnlyFilesAndNestedFolders) {
    std::wstring temp = root_ + L"temp";
    makeDir(temp);
    // KIV_100 and KIV_200 are run folders; KIV_500 and KIV_600 only look like
    // them (a file of someone else's beside Package, no layout at all).
    for (const wchar_t* d :
         {L"\\KIV_100", L"\\KIV_100\\Common", L"\\KIV_100\\Common\\en", L"\\KIV_100\\Package",
          L"\\KIV_200", L"\\KIV_200\\Package", L"\\Other", L"\\.KIV_300", L"\\Other\\KIV_400",
          L"\\MyKIV_data", L"\\KIV_500", L"\\KIV_500\\Package", L"\\KIV_600"})
        makeDir(temp + d);
    for (const wchar_t* f :
         {L"\\KIV_100\\KIV.lock", L"\\KIV_100\\Package\\a.txt", L"\\KIV_100\\Common\\en\\lang.dll",
          L"\\KIV_200\\Package\\b.txt", L"\\Other\\keep.txt", L"\\.KIV_300\\keep.txt",
          L"\\KIV_file.txt", L"\\KIV_500\\Package\\c.txt", L"\\KIV_500\\thesis.doc",
          L"\\KIV_600\\photo.jpg"}) {
        writeFile(temp + f, "data");
        ::SetFileAttributesW((temp + f).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ::SetFileAttributesW((temp + L"\\KIV_100\\Common").c_str(), FILE_ATTRIBUTE_READONLY);

    RsrcMgr mgr;
    mgr.removeStaleDirs(temp);
    std::set<std::wstring> expected = {L"Other",
                                       L"Other\\keep.txt",
                                       L"Other\\KIV_400",
                                       L".KIV_300",
                                       L".KIV_300\\keep.txt",
                                       L"KIV_file.txt",
                                       L"MyKIV_data",
                                       L"KIV_500",
                                       L"KIV_500\\Package",
                                       L"KIV_500\\Package\\c.txt",
                                       L"KIV_500\\thesis.doc",
                                       L"KIV_600",
                                       L"KIV_600\\photo.jpg"};
    EXPECT_EQ(listTree(temp), expected);
}

TEST_F(RsrcMgrFiles, ATempThatCannotBeResolvedIsReported) {
    std::wstring temp = root_ + L"temp";
    makeDir(temp);
    makeDir(temp + L"\\KIV_100");
    size_t mark = logMark();
    RsrcMgr mgr;
    mgr.removeStaleDirs(temp, [](const std::wstring&, bool) { return std::wstring(); });
    EXPECT_TRUE(exists(temp + L"\\KIV_100"));
    std::string log = logSince(mark);
    EXPECT_NE(log.find("RsrcMgr::removeStaleDirs: Unable to resolve temporary directory, folders "
                       "of earlier runs are kept: Path=Z:\\tmp\\kivrsrc"),
              std::string::npos)
        << log;
}

TEST_F(RsrcMgrFiles, LinksAreNeverDeletedThrough) {
    std::wstring temp = root_ + L"temp";
    std::wstring outside = root_ + L"outside";
    std::wstring emptyOutside = root_ + L"empty";
    makeDir(temp);
    makeDir(outside);
    makeDir(emptyOutside);
    writeFile(outside + L"\\precious.txt", "keep me");
    writeFile(root_ + L"lone.txt", "keep me too");
    makeDir(temp + L"\\KIV_1");
    makeDir(temp + L"\\KIV_1\\Package");
    writeFile(temp + L"\\KIV_1\\Package\\own.txt", "x");
    link(outside, temp + L"\\KIV_1\\Package\\dirlink");
    link(emptyOutside, temp + L"\\KIV_1\\Package\\emptylink");
    link(root_ + L"lone.txt", temp + L"\\KIV_1\\Package\\filelink");
    link(outside, temp + L"\\KIV_2"); // a stale-looking name that is itself a link

    RsrcMgr mgr;
    mgr.removeStaleDirs(temp);

    EXPECT_EQ(readFile(outside + L"\\precious.txt"), "keep me");
    EXPECT_EQ(readFile(root_ + L"lone.txt"), "keep me too");
    EXPECT_TRUE(exists(emptyOutside)) << "an empty folder behind a link must survive";
    EXPECT_FALSE(exists(temp + L"\\KIV_1\\Package\\own.txt"));
    // Where the platform can remove a link by itself, the links and then the
    // folder are gone; where it cannot (it resolves the link first), they stay.
    for (const wchar_t* l : {L"\\KIV_1\\Package\\dirlink", L"\\KIV_1\\Package\\emptylink",
                             L"\\KIV_1\\Package\\filelink"})
        if (exists(temp + l)) {
            EXPECT_TRUE(exists(temp + L"\\KIV_1"));
        }
}

TEST_F(RsrcMgrFiles, DeleteDirectoryWithoutRecursionKeepsFoldersWithSubfolders) {
    std::wstring d = root_ + L"d";
    makeDir(d);
    makeDir(d + L"\\sub");
    writeFile(d + L"\\f.txt", "1");
    RsrcMgr mgr;
    EXPECT_EQ(mgr.deleteDirectory(d, false), 0u);
    EXPECT_TRUE(exists(d + L"\\sub"));
    EXPECT_FALSE(exists(d + L"\\f.txt"));
    EXPECT_EQ(mgr.deleteDirectory(d, true), 0u);
    EXPECT_FALSE(exists(d));
    EXPECT_EQ(mgr.deleteDirectory(root_ + L"missing", true), 0u);
}

TEST_F(RsrcMgrFiles, EachRunGetsItsOwnFolderAndLeavesTheOthersWhileTheyRun) {
    std::wstring temp = root_ + L"temp";
    makeDir(temp);
    ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    std::unique_ptr<RsrcMgr> first(new RsrcMgr);
    ASSERT_EQ(first->createDirs(), 0);
    const std::wstring firstRoot =
        first->getPackagePath().substr(0, first->getPackagePath().size() - 8);
    EXPECT_EQ(first->getPackagePath(), firstRoot + L"Package\\");
    EXPECT_EQ(first->getCommonPath(), firstRoot + L"Common\\");
    EXPECT_EQ(firstRoot.compare(0, temp.size() + 5, temp + L"\\KIV_"), 0);
    writeFile(first->getPackagePath() + L"left.txt", "from the first run");

    // Started within the same second, while the first still runs.
    std::unique_ptr<RsrcMgr> second(new RsrcMgr);
    ASSERT_EQ(second->createDirs(), 0);
    EXPECT_NE(second->getPackagePath(), first->getPackagePath());
    EXPECT_EQ(readFile(first->getPackagePath() + L"left.txt"), "from the first run");
    EXPECT_EQ(subfolders(temp + L"\\").size(), 2u);

    const std::wstring firstLeft = first->getPackagePath() + L"left.txt";
    first.reset(); // the first run ends; the second goes on
    RsrcMgr third;
    ASSERT_EQ(third.createDirs(), 0);
    EXPECT_FALSE(exists(firstLeft)); // its name may be the third run's now
    EXPECT_TRUE(exists(second->getCommonPath()));
    EXPECT_EQ(subfolders(temp + L"\\").size(), 2u);
    for (const std::wstring& f : subfolders(temp + L"\\"))
        EXPECT_TRUE(isStaleRunFolderName(f)) << "a later run must still find it";
}

// The earlier runs' folders are removed while the packages unpack; the
// unpacking, even one that fails, returns only once they are gone.
TEST_F(RsrcMgrFiles, UnpackingEndsWithTheEarlierRunsRemovedWhateverItsResult) {
    std::wstring temp = root_ + L"temp";
    makeDir(temp);
    for (const wchar_t* d : {L"\\KIV_100", L"\\KIV_100\\Common", L"\\KIV_100\\Package"})
        makeDir(temp + d);
    // Enough files that a removal still going on would be seen.
    for (int i = 0; i < 300; ++i)
        writeFile(temp + L"\\KIV_100\\Common\\f" + std::to_wstring(i) + L".dll", "data");
    wchar_t saved[1024] = {};
    ::GetEnvironmentVariableW(L"TEMP", saved, 1024);
    ::SetEnvironmentVariableW(L"TEMP", temp.c_str());
    RsrcMgr mgr;
    // This program carries the common package's number only in another language.
    const int32_t rc = mgr.initialize(10, 10);
    ::SetEnvironmentVariableW(L"TEMP", saved);
    EXPECT_EQ(rc, 2);
    EXPECT_FALSE(exists(temp + L"\\KIV_100"));
    EXPECT_EQ(subfolders(temp + L"\\").size(), 1u) << "this run's own folder";
}

namespace {

// Windows opens a link itself unless asked to follow it; Wine resolves its
// links either way. This models the Windows behaviour for the one link.
std::wstring g_linkedTemp;
std::wstring windowsFinalPathOf(const std::wstring& path, bool followLink) {
    if (!followLink && path == g_linkedTemp)
        return L"\\\\?\\" + path;
    return RsrcMgr::finalPathOf(path, followLink);
}

} // namespace

TEST_F(RsrcMgrFiles, ATempThatIsALinkIsCleanedWithoutFollowingLinksInside) {
    std::wstring real = root_ + L"realtemp";
    std::wstring outside = root_ + L"outside";
    makeDir(real);
    makeDir(outside);
    writeFile(outside + L"\\precious.txt", "keep me");
    makeDir(real + L"\\KIV_100");
    makeDir(real + L"\\KIV_100\\Common");
    writeFile(real + L"\\KIV_100\\Common\\own.txt", "x");
    link(outside, real + L"\\KIV_100\\Common\\dirlink");
    g_linkedTemp = root_ + L"templink";
    link(real, g_linkedTemp);
    ASSERT_NE(RsrcMgr::finalPathOf(g_linkedTemp, true), windowsFinalPathOf(g_linkedTemp, false));

    RsrcMgr mgr;
    mgr.removeStaleDirs(g_linkedTemp, &windowsFinalPathOf);
    EXPECT_FALSE(exists(real + L"\\KIV_100\\Common\\own.txt"));
    EXPECT_EQ(readFile(outside + L"\\precious.txt"), "keep me");
    // The same through the platform's own resolution.
    makeDir(real + L"\\KIV_200");
    mgr.removeStaleDirs(g_linkedTemp);
    EXPECT_FALSE(exists(real + L"\\KIV_200"));
}

TEST_F(RsrcMgrFiles, CreateDirsFailsWithoutUsableTemp) {
    wchar_t saved[1024] = {};
    ::GetEnvironmentVariableW(L"TEMP", saved, 1024);
    size_t mark = logMark();
    ::SetEnvironmentVariableW(L"TEMP", nullptr);
    RsrcMgr unset;
    EXPECT_EQ(unset.createDirs(), 4);
    EXPECT_EQ(unset.getCommonPath(), L"");
    ::SetEnvironmentVariableW(L"TEMP", std::wstring(300, L'x').c_str());
    RsrcMgr tooLong;
    EXPECT_EQ(tooLong.createDirs(), 4);
    ::SetEnvironmentVariableW(L"TEMP", saved);
    std::string log = logSince(mark);
    EXPECT_NE(log.find("RsrcMgr::createDirs: Error retrieving environment variable: Err code=203"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("RsrcMgr::createDirs: Error retrieving environment variable: Path buffer "
                       "too small."),
              std::string::npos);
}

TEST_F(RsrcMgrFiles, ExtractWritesExactlyTheResourceBytes) {
    RsrcMgr mgr;
    const uint32_t size = sizeof(kBlob) - 1;
    size_t mark = logMark();
    // The directory may come without its trailing backslash.
    ASSERT_EQ(mgr.extractSfxFromRsrc(L"out.exe", root_.substr(0, root_.size() - 1), 401, size), 0);
    EXPECT_EQ(readFile(root_ + L"out.exe"), kBlob);

    EXPECT_EQ(mgr.extractSfxFromRsrc(L"zero.exe", root_, 401, 0), 3);
    EXPECT_FALSE(exists(root_ + L"zero.exe"));
    EXPECT_EQ(mgr.extractSfxFromRsrc(L"big.exe", root_, 401, size + 4096), 3);
    EXPECT_FALSE(exists(root_ + L"big.exe"));
    // 402 exists only in another language than the one asked for.
    EXPECT_EQ(mgr.extractSfxFromRsrc(L"other.exe", root_, 402, 10), 2);
    EXPECT_EQ(mgr.extractSfxFromRsrc(L"none.exe", root_, 499, 10), 2);
    EXPECT_EQ(mgr.extractSfxFromRsrc(L"x.exe", root_ + L"no\\such\\", 401, size), 3);
    std::string log = logSince(mark);
    for (const char* line : {"RsrcMgr::extractSfxFromRsrc: SFX written to file successfully!",
                             "RsrcMgr::extractSfxFromRsrc: Error: SFX Size is 0!",
                             "RsrcMgr::extractSfxFromRsrc: Error: Unable to find resource: "
                             "RsrcID=499, Err code=18",
                             "RsrcMgr::extractSfxFromRsrc: Error: Unable to open resource output "
                             "file: Path="})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

TEST_F(RsrcMgrFiles, RunAndCleanReportMissingPrograms) {
    RsrcMgr mgr;
    EXPECT_EQ(mgr.runSfx(L"absent.exe", root_), 5);
    EXPECT_NE(mgr.cleanSfx(L"absent.exe", root_), 0);
    writeFile(root_ + L"present.exe", "x");
    EXPECT_EQ(mgr.cleanSfx(L"present.exe", root_.substr(0, root_.size() - 1)), 0);
    EXPECT_FALSE(exists(root_ + L"present.exe"));
}

TEST_F(RsrcMgrFiles, APackageProgramThatFailsIsReported) {
    // The extractor without an archive ends with its "damaged" code, 2.
    writeFile(root_ + L"broken.exe", readFile(windowsPath(KIV_SFX_STUB_EXE)));
    size_t mark = logMark();
    RsrcMgr mgr;
    EXPECT_EQ(mgr.runSfx(L"broken.exe", root_), 7);
    std::string log = logSince(mark);
    EXPECT_NE(log.find("RsrcMgr::runSfx: Error: SFX process failed: exit code=2\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("SFX execution completed successfully!"), std::string::npos) << log;
}

TEST_F(RsrcMgrFiles, APackageProgramHeldForAMomentStartsOnALaterAttempt) {
    // A scanner opens a freshly written program without sharing it; the
    // launcher tries again, and the scanner lets go after the first refusal.
    const std::wstring path = root_ + L"held.exe";
    writeFile(path, readFile(windowsPath(KIV_SFX_STUB_EXE)));
    HANDLE held = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    size_t mark = logMark();
    std::thread scanner([&] {
        for (int i = 0; i < 1000 && logSince(mark).find("trying again") == std::string::npos; ++i)
            ::Sleep(5);
        ::CloseHandle(held);
    });
    RsrcMgr mgr;
    const int32_t rc = mgr.runSfx(L"held.exe", root_);
    scanner.join();
    // The stub ran: without an archive it ends with its "damaged" code.
    EXPECT_EQ(rc, 7) << logSince(mark);
    EXPECT_NE(logSince(mark).find("RsrcMgr::runSfx: SFX process did not start: err=32, trying "
                                  "again"),
              std::string::npos)
        << logSince(mark);
}

TEST_F(RsrcMgrFiles, APackageProgramPastItsTimeIsEndedBeforeTheRunGoesOn) {
    writeFile(root_ + L"hang.exe", readFile(windowsPath(KIV_HANGING_EXE)));
    size_t mark = logMark();
    RsrcMgr mgr;
    mgr.setSfxTimeout(3000);
    EXPECT_EQ(mgr.runSfx(L"hang.exe", root_), 6);
    ASSERT_TRUE(exists(root_ + L"held.txt")) << "the program did not get going in time";
    // Nothing holds its file any more: the program is gone.
    HANDLE held = ::CreateFileW((root_ + L"held.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE) << ::GetLastError();
    if (held != INVALID_HANDLE_VALUE)
        ::CloseHandle(held);
    EXPECT_NE(logSince(mark).find("RsrcMgr::runSfx: Error: Timeout reached while waiting for SFX "
                                  "process to complete.\r\n"),
              std::string::npos)
        << logSince(mark);
}
