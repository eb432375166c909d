// What the console mode takes for a console window: only a console, never the
// other character devices, pipes or files that standard output may be.
#include "ConsoleWindow.h"
#include "ScopedHandle.h"

#include <gtest/gtest.h>

TEST(ConsoleWindow, NulPipesAndFilesAreNoConsole) {
    ScopedFileHandle nul(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(nul.valid());
    ASSERT_EQ(::GetFileType(nul.get()), static_cast<DWORD>(FILE_TYPE_CHAR));
    EXPECT_FALSE(ConsoleWindow::isConsole(nul.get()));
    EXPECT_EQ(ConsoleWindow::columns(nul.get()), 0u);

    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(::CreatePipe(&read, &write, nullptr, 0));
    ScopedKernelHandle readEnd(read), writeEnd(write);
    EXPECT_FALSE(ConsoleWindow::isConsole(write));
    EXPECT_FALSE(ConsoleWindow::isConsole(INVALID_HANDLE_VALUE));
}
