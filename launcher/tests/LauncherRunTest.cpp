// Start-up decisions of LauncherRun that can be checked without running the
// program.
#include "LauncherRun.h"

#include "ConsoleVisibility.h"
#include "Exception.h"
#include "ExitCodes.h"
#include "TestLog.h"
#include "WindowsSupport.h"

#include <stdexcept>

#include <gtest/gtest.h>

TEST(LauncherRun, TheConsoleIsHiddenOnlyWhenItIsTheProgramsOwn) {
    EXPECT_TRUE(shouldHideConsole(1, 1));
    EXPECT_TRUE(shouldHideConsole(3, 1));
    EXPECT_FALSE(shouldHideConsole(1, 2)) << "shared with the command prompt";
    EXPECT_FALSE(shouldHideConsole(3, 3));
    EXPECT_FALSE(shouldHideConsole(1, 0)) << "when it cannot be told, the window stays";
    EXPECT_FALSE(shouldHideConsole(2, 1));
}

TEST(LauncherRun, WhateverTheStepsThrowEndsTheRunWithFour) {
    size_t mark = kivtest::logMark();
    EXPECT_EQ(runAtBoundary([] { return 9; }), 9);
    EXPECT_EQ(runAtBoundary([]() -> int { throw std::out_of_range("vector index"); }),
              ExitModeFailed);
    EXPECT_EQ(runAtBoundary([]() -> int { throw Exception(L"no config", 2, L"here", 1); }),
              ExitModeFailed);
    EXPECT_EQ(runAtBoundary([]() -> int { throw 3; }), ExitModeFailed);
    const std::string log = kivtest::logSince(mark);
    const std::string prefix = "Error: KIV execution stopped by an unexpected error";
    EXPECT_NE(log.find(prefix + ": vector index\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(prefix + ": no config 2\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(prefix + "\r\n"), std::string::npos) << log;
}
