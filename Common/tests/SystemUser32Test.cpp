#include "SystemUser32.h"

#include <gtest/gtest.h>

#include <memory>

// A window station nobody sees, as a service, a task run without its user or
// a remote shell has: the check tells it from the test's own. The process
// joins the station only for the check.
TEST(SystemUser32, AWindowStationNobodySeesIsNotVisible) {
    ASSERT_NE(systemUser32(), nullptr);
    const bool own = desktopIsVisible();
    std::unique_ptr<HWINSTA__, BOOL(WINAPI*)(HWINSTA)> hidden(
        ::CreateWindowStationW(L"KIVTestHidden", 0, GENERIC_ALL, nullptr), &::CloseWindowStation);
    ASSERT_TRUE(hidden);
    HWINSTA previous = ::GetProcessWindowStation();
    ASSERT_TRUE(::SetProcessWindowStation(hidden.get()));
    const bool inHidden = desktopIsVisible();
    ::SetProcessWindowStation(previous);
    EXPECT_FALSE(inHidden);
    EXPECT_TRUE(own) << "the test's own session is seen";
    EXPECT_EQ(desktopIsVisible(), own);
}
