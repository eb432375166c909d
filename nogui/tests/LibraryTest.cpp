// The built NoGuiUpdateMode.dll as the launcher binds it: by full path, through
// its one export, destroyed through the virtual destructor.
#include "IUpdateMode.h"
#include "KIVOptions.h"
#include "ScopedHandle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring libraryPath() {
    const char* unixPath = std::getenv("NOGUI_DLL");
    if (!unixPath)
        return std::wstring();
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

TEST(NoGuiLibrary, ModeWithoutEngineFailsToInitializeAndIsReleasedCleanly) {
    const std::wstring path = libraryPath();
    ASSERT_FALSE(path.empty()) << "NOGUI_DLL not set";
    ScopedLibrary library(::LoadLibraryW(path.c_str()));
    ASSERT_TRUE(library.valid()) << ::GetLastError();
    auto factory = getProcAddressAs<DllGetUpdateModeFn>(library.get(), "DllGetUpdateMode");
    ASSERT_NE(factory, nullptr);

    IUpdateMode* mode = factory();
    ASSERT_NE(mode, nullptr);
    IUpdateMode* second = factory();
    EXPECT_NE(second, mode) << "each call makes a new object";
    delete second;

    // A package folder without Updater.dll: the engine cannot be made, which
    // the launcher turns into exit code 4 without running the mode.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring empty = std::wstring(temp) + L"nogui-no-engine\\";
    ::CreateDirectoryW(empty.c_str(), nullptr);
    KIVOptions options;
    options.getRsrcMgr().setDirectories(empty, empty, empty);
    EXPECT_EQ(mode->initialize(&options), 7);
    EXPECT_EQ(mode->getUpdater(), nullptr);
    delete mode;
    ::RemoveDirectoryW(empty.c_str());
}

} // namespace
