#include "ExitCodes.h"
#include "InstalledVersion.h"
#include "StaleEntry.h"

#include "WindowsSupport.h"

#include <gtest/gtest.h>

#include <map>

TEST(ExitCodes, ModeResultsMapToTheInstallerTable) {
    const std::map<int32_t, int> table = {{24, 2}, {18, 3}, {11, 5},  {12, 6}, {16, 7},
                                          {17, 8}, {25, 9}, {19, 10}, {13, 11}};
    for (const auto& row : table)
        EXPECT_EQ(exitCodeForModeResult(row.first), row.second) << row.first;
    // Everything else, including the wizard's 3, 14 and 32, is a failed run.
    for (int32_t other : {1, 3, 4, 9, 14, 15, 20, 23, 26, 32, -1})
        EXPECT_EQ(exitCodeForModeResult(other), ExitModeFailed) << other;
}

TEST(ExitCodes, ForcedCodesAreExactlyTheRangeARunCanProduce) {
    for (uint32_t v = 0; v <= 11; ++v)
        EXPECT_TRUE(isForcedExitCode(v)) << v;
    for (uint32_t v : {12u, 100u, 0xFFFFFFFFu})
        EXPECT_FALSE(isForcedExitCode(v)) << v;
}

TEST(StaleEntry, OnlyRunFoldersAreStale) {
    EXPECT_TRUE(isStaleRunFolderName(L"KIV_1796635397"));
    EXPECT_TRUE(isStaleRunFolderName(L"KIV_-5"));
    // Another program's folder that merely contains the prefix stays.
    EXPECT_FALSE(isStaleRunFolderName(L"old KIV_copy"));
    EXPECT_FALSE(isStaleRunFolderName(L"KIV_12x"));
    EXPECT_FALSE(isStaleRunFolderName(L"KIV_"));
    EXPECT_FALSE(isStaleRunFolderName(L".KIV_123"));
    EXPECT_FALSE(isStaleRunFolderName(L"kiv_123")); // the match is case-sensitive
    EXPECT_FALSE(isStaleRunFolderName(L"Other"));
    EXPECT_FALSE(isStaleRunFolderName(L""));
}

TEST(StaleEntry, AFinalPathElsewhereIsNotTheEntry) {
    EXPECT_TRUE(finalPathIsEntry(L"\\\\?\\C:\\Temp", L"KIV_1", L"\\\\?\\c:\\temp\\kiv_1"));
    EXPECT_TRUE(finalPathIsEntry(L"\\\\?\\C:\\Temp\\", L"a.txt", L"\\\\?\\C:\\Temp\\a.txt"));
    EXPECT_FALSE(finalPathIsEntry(L"\\\\?\\C:\\Temp", L"link", L"\\\\?\\Z:\\outside"));
    EXPECT_FALSE(finalPathIsEntry(L"\\\\?\\C:\\Temp", L"link", L""));
    EXPECT_FALSE(finalPathIsEntry(L"", L"x", L"\\x"));
    EXPECT_EQ(withBackslash(L"C:\\a"), L"C:\\a\\");
    EXPECT_EQ(withBackslash(L"C:\\a\\"), L"C:\\a\\");
}

TEST(StaleEntry, AFolderIsARunsOnlyWithNothingButARunsEntries) {
    EXPECT_TRUE(hasRunFolderLayout({}));
    EXPECT_TRUE(hasRunFolderLayout({{L"KIV.lock", false}, {L"Package", true}, {L"Common", true}}));
    EXPECT_TRUE(hasRunFolderLayout({{L"package", true}, {L"kiv.LOCK", false}}));
    EXPECT_FALSE(hasRunFolderLayout({{L"Package", true}, {L"thesis.doc", false}}));
    EXPECT_FALSE(hasRunFolderLayout({{L"Package", false}})); // a file of that name
    EXPECT_FALSE(hasRunFolderLayout({{L"KIV.lock", true}}));
    EXPECT_FALSE(hasRunFolderLayout({{L"Packages", true}}));
}

TEST(StaleEntry, ANameBeingDeletedCountsAsTaken) {
    EXPECT_TRUE(runFolderNameTaken(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(runFolderNameTaken(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(runFolderNameTaken(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(runFolderNameTaken(ERROR_DISK_FULL));
}

TEST(InstalledVersionNames, KeyByExactVendorAndBlanksAsUnderscores) {
    EXPECT_EQ(installedVersionKey(L"Tavrin"), L"Software\\TavrinInkjet\\KIV");
    EXPECT_EQ(installedVersionKey(L"Oskel"), L"Software\\OskelInkjet\\KIV");
    EXPECT_EQ(installedVersionKey(L"OSKEL"), L"");
    EXPECT_EQ(installedVersionKey(L"Oskel "), L"");
    EXPECT_EQ(installedVersionValueName(L"Oskel K206w All"), L"Oskel_K206w_All");
    EXPECT_EQ(installedVersionValueName(L""), L"");
}
