#include "StaleEntry.h"

#include <gtest/gtest.h>

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

// The codes as the system reports them.
#ifdef _WIN32
#include "WindowsSupport.h"

TEST(StaleEntry, ANameBeingDeletedCountsAsTaken) {
    EXPECT_TRUE(runFolderNameTaken(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(runFolderNameTaken(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(runFolderNameTaken(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(runFolderNameTaken(ERROR_DISK_FULL));
}
#endif
