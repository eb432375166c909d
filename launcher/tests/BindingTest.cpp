// Binding of the update mode against real libraries loaded under the platform's loader.
#include "IUpdateMode.h"
#include "KIVOptions.h"
#include "LauncherTestSupport.h"
#include "TestLog.h"

#include <gtest/gtest.h>

using namespace kivtest;

namespace {

// Folder of a stub build, as a full path ending with a backslash.
std::wstring stubFolder(const wchar_t* name) {
    std::wstring dir = widen(KIV_STUB_DIR) + L"\\" + name + L"\\";
    for (wchar_t& c : dir)
        if (c == L'/')
            c = L'\\';
    return dir;
}

void setMode(KIVOptions& options, const wchar_t* mode) {
    const wchar_t* argv[] = {L"KIV.exe", L"-m", mode};
    options.parseCmdLine(3, argv);
}

bool noGuiLoaded() {
    return ::GetModuleHandleW(L"NoGuiUpdateMode.dll") != nullptr;
}

class UpdateModeBinding : public ::testing::Test {
protected:
    void TearDown() override {
        // Leave no library behind for the next case.
        KIVOptions release;
        setMode(release, L"2");
        if (noGuiLoaded())
            IUpdateMode::freeUpdateModeLib(nullptr, &release);
    }
};

} // namespace

TEST_F(UpdateModeBinding, WizardModesComeFromTheWizardLibraryInTheCommonFolder) {
    // Without the library a wizard run gets no mode, as a console run
    // without its own. (Asked first: once loaded, the library stays.)
    {
        KIVOptions options;
        setMode(options, L"1");
        const std::wstring missing = stubFolder(L"missing");
        options.getRsrcMgr().setDirectories(missing, missing);
        int32_t rc = -1;
        EXPECT_EQ(IUpdateMode::makeUpdateMode(&options, &rc), nullptr);
        EXPECT_EQ(rc, 7);
    }
    std::wstring wizard = widen(KIV_WIZARD_DIR) + L"\\";
    for (wchar_t& c : wizard)
        if (c == L'/')
            c = L'\\';
    for (const wchar_t* m : {L"1", L"3"}) {
        KIVOptions options;
        setMode(options, m);
        options.getRsrcMgr().setDirectories(wizard, wizard);
        int32_t rc = -1;
        IUpdateMode* mode = IUpdateMode::makeUpdateMode(&options, &rc);
        ASSERT_NE(mode, nullptr);
        EXPECT_EQ(rc, 0);
        // The object's code is the library's.
        HMODULE owner = nullptr;
        ASSERT_TRUE(::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                         *reinterpret_cast<LPCWSTR*>(mode), &owner));
        EXPECT_EQ(owner, ::GetModuleHandleW(L"KIVWizard.dll"));
        EXPECT_TRUE(IUpdateMode::freeUpdateModeLib(mode, &options));
        EXPECT_FALSE(noGuiLoaded());
    }
}

TEST_F(UpdateModeBinding, NoGuiModeComesFromTheCommonFolderAndIsReleased) {
    KIVOptions options;
    setMode(options, L"2");
    std::wstring ok = stubFolder(L"ok");
    options.getRsrcMgr().setDirectories(ok, ok);
    int32_t rc = -1;
    IUpdateMode* mode = IUpdateMode::makeUpdateMode(&options, &rc);
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(mode->initialize(&options), 0);
    EXPECT_EQ(mode->executeUpdateMode(&options), 42);
    EXPECT_TRUE(noGuiLoaded());
    EXPECT_TRUE(IUpdateMode::freeUpdateModeLib(mode, &options));
    EXPECT_FALSE(noGuiLoaded());
    // Released means gone: freeing again has nothing to release.
    EXPECT_FALSE(IUpdateMode::freeUpdateModeLib(nullptr, &options));
}

TEST_F(UpdateModeBinding, EveryFailureGivesSevenAndNoObject) {
    struct Case {
        const wchar_t* folder;
        const char* message;
    } const cases[] = {
        {L"missing", "IUpdateMode::makeUpdateMode(): LoadLibrary() failed on path= "},
        {L"noexport", "IUpdateMode::makeUpdateMode(): GetProcAddress() failed to find "
                      "DllGetUpdateMode function"},
        {L"null", "IUpdateMode::makeUpdateMode(): DllGetUpdateMode factory function failed to "
                  "return the UpdateMode object."},
    };
    for (const Case& c : cases) {
        KIVOptions options;
        setMode(options, L"2");
        std::wstring dir = stubFolder(c.folder);
        options.getRsrcMgr().setDirectories(dir, dir);
        size_t mark = logMark();
        int32_t rc = -1;
        EXPECT_EQ(IUpdateMode::makeUpdateMode(&options, &rc), nullptr);
        EXPECT_EQ(rc, 7);
        std::string log = logSince(mark);
        EXPECT_NE(log.find(c.message), std::string::npos) << log;
        IUpdateMode::freeUpdateModeLib(nullptr, &options);
        EXPECT_FALSE(noGuiLoaded());
    }
}

TEST_F(UpdateModeBinding, UnknownFoldersNeverSearchTheDllPath) {
    // A library of the right name waits in the current folder; with no
    // unpacked folders it must not be picked up.
    wchar_t saved[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(stubFolder(L"ok").c_str()));
    for (const wchar_t* folder : {L"", L"relative\\"}) {
        KIVOptions options;
        setMode(options, L"2");
        options.getRsrcMgr().setDirectories(folder, folder);
        int32_t rc = -1;
        EXPECT_EQ(IUpdateMode::makeUpdateMode(&options, &rc), nullptr);
        EXPECT_EQ(rc, 7);
        EXPECT_FALSE(noGuiLoaded());
    }
    ::SetCurrentDirectoryW(saved);
    EXPECT_EQ(IUpdateMode::makeUpdateMode(nullptr, nullptr), nullptr);
}
