// The built NoGuiUpdateMode.dll as the launcher binds it: by full path, through
// its one export, destroyed through the virtual destructor.
#include "IUpdateMode.h"
#include "IUpdater.h"
#include "KIVOptions.h"
#include "ScopedHandle.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// A build path from the environment as this program sees it.
std::wstring windowsPathFromEnv(const char* variable) {
    const char* unixPath = std::getenv(variable);
    if (!unixPath)
        return std::wstring();
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

std::wstring libraryPath() {
    return windowsPathFromEnv("NOGUI_DLL");
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
    options.getRsrcMgr().setDirectories(empty, empty);
    EXPECT_EQ(mode->initialize(&options), 7);
    EXPECT_EQ(mode->getUpdater(), nullptr);
    delete mode;
    ::RemoveDirectoryW(empty.c_str());
}

// Updater.dll here is the engine over a link whose every call throws. Each
// throw must stop at the engine's edge as that call's failure: one that got
// out would end this process, since no module can unwind another's frames.
TEST(NoGuiLibrary, AnEngineFaultThatThrowsStaysInsideTheEngine) {
    const std::wstring folder = windowsPathFromEnv("FAULTY_ENGINE_DIR") + L"\\";
    ASSERT_GT(folder.size(), 1u) << "FAULTY_ENGINE_DIR not set";
    ScopedLibrary library(::LoadLibraryW(libraryPath().c_str()));
    ASSERT_TRUE(library.valid()) << ::GetLastError();
    auto factory = getProcAddressAs<DllGetUpdateModeFn>(library.get(), "DllGetUpdateMode");
    ASSERT_NE(factory, nullptr);
    IUpdateMode* mode = factory();
    ASSERT_NE(mode, nullptr);

    KIVOptions options;
    options.getRsrcMgr().setDirectories(folder, folder);
    ASSERT_EQ(mode->initialize(&options), 0);
    IUpdater* engine = mode->getUpdater();
    ASSERT_NE(engine, nullptr);

    KIVDevice device;
    device.setName(L"P1");
    device.setType(KIVDevice::TypeIpAddress);
    options.addDeviceToList(device);
    int32_t reason = 0;
    EXPECT_FALSE(engine->isCompatibleDevice(&options, &device, &reason));
    EXPECT_EQ(reason, 2) << "a printer at an entered address that did not answer";
    std::wstring version = L"stale";
    engine->getDeviceVersionString(&options, 0, &version);
    EXPECT_EQ(version, L"");
    EXPECT_EQ(engine->update(&options, 0, nullptr, false), IUpdater::UpdateFailed);
    EXPECT_EQ(engine->forwardExtension1(1), 0);
    options.clearDeviceList();

    // The whole run: the search fails inside the engine. That is a failed
    // search, not a search that found no printer.
    EXPECT_EQ(mode->executeUpdateMode(&options), 14);
    delete mode;
}

} // namespace
