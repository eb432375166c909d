// The real Updater.dll, loaded the way the launcher loads it, bound to stand-in
// communication libraries.
#include "IUpdater.h"
#include "KIVOptions.h"
#include "ScopedHandle.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Loads Updater.dll afresh, so that its once-per-process state (the
// communication library and its factory) starts empty.
class UpdaterLibrary {
public:
    UpdaterLibrary() {
        library_ = LoadLibraryW((exeFolder() + L"Updater.dll").c_str());
        if (library_)
            factory_ = getProcAddressAs<DllGetUpdaterFn>(library_, "DllGetUpdater");
    }
    ~UpdaterLibrary() {
        if (library_)
            FreeLibrary(library_);
    }
    IUpdater* make(bool logSwitchOn = true) {
        // The library's own logger reads the switch at bring-up.
        if (logSwitchOn)
            setLogSwitch(L"Tavrin", 1);
        IUpdater* updater = factory_ ? factory_() : nullptr;
        removeLogSwitch(L"Tavrin");
        return updater;
    }
    bool loaded() const { return library_ && factory_; }

private:
    HMODULE library_ = nullptr;
    DllGetUpdaterFn factory_ = nullptr;
};

size_t countText(const ScopedTestLog& log, const std::string& text) {
    size_t n = 0;
    for (std::string line : log.texts()) {
        line.erase(0, line.find_first_not_of(' '));
        n += line == text;
    }
    return n;
}

int32_t initializeWith(UpdaterLibrary& lib, const std::wstring& commonFolder, IUpdater*& updater,
                       KIVOptions& options) {
    options.getRsrcMgr().setDirectories(commonFolder, commonFolder);
    updater = lib.make();
    if (!updater)
        return -1;
    return updater->initialize(&options);
}

} // namespace

TEST(UpdaterDll, ExportsOnlyTheFactoryAndMakesIndependentObjects) {
    ScopedTestLog log;
    UpdaterLibrary lib;
    ASSERT_TRUE(lib.loaded());
    IUpdater* first = lib.make();
    IUpdater* second = lib.make();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    KIVDeviceArray* array = nullptr;
    first->createDeviceArray(&array);
    ASSERT_NE(array, nullptr);
    EXPECT_TRUE(array->empty());
    second->freeDeviceArray(&array);
    // Destroyed without initialize: no communication object to destroy.
    delete first;
    delete second;
    EXPECT_EQ(countText(log, "+ISDUpdater::ISDUpdater(): "), 2u);
    EXPECT_EQ(countText(log, "+ISDUpdater::~ISDUpdater(): "), 2u);
}

TEST(UpdaterDll, ItsLoggerLivesWhileAnyOfItsObjectsDoes) {
    ScopedTestLog log;
    UpdaterLibrary lib;
    ASSERT_TRUE(lib.loaded());
    IUpdater* first = lib.make();
    IUpdater* second = lib.make(false);
    delete first;
    delete second;
    EXPECT_EQ(countText(log, "+ISDUpdater::~ISDUpdater(): "), 2u)
        << "the second object still logs after the first is gone";
    // The last object took the logger with it: the next one brings up a new
    // logger, which reads the switch as it is now (off).
    delete lib.make(false);
    EXPECT_EQ(countText(log, "+ISDUpdater::ISDUpdater(): "), 2u);
}

TEST(UpdaterDll, InitializeReportsEachMissingPieceAs7) {
    ScopedTestLog log;
    const std::wstring stubs = exeFolder() + L"stubs\\";
    struct Case {
        const wchar_t* folder;
        const char* message;
    } cases[] = {
        {L"absent\\", "IComTarget::makeComTarget(): LoadLibrary() failed on path= "},
        {L"noexport\\",
         "IComTarget::makeComTarget(): GetProcAddress() failed to find DllGetKIVComm function"},
        {L"null\\", "IComTarget::makeComTarget(): DllGetKIVComm factory function failed to return "
                    "the ComTarget object."},
    };
    for (const Case& c : cases) {
        UpdaterLibrary lib;
        ASSERT_TRUE(lib.loaded());
        KIVOptions options;
        IUpdater* updater = nullptr;
        std::wstring folder = stubs + c.folder;
        EXPECT_EQ(initializeWith(lib, folder, updater, options), 7) << c.message;
        std::string expected = c.message;
        if (expected.back() == ' ')
            expected += narrow(folder) + "KIVComm.dll";
        EXPECT_EQ(countText(log, expected), 1u) << expected;
        // A failed initialize leaves no object behind: every device is away.
        EXPECT_EQ(updater->update(&options, 0, nullptr, false), IUpdater::UpdateUnreachable);
        delete updater;
    }
}

TEST(UpdaterDll, WorkingLibraryIsLoadedOnceAndForwardsExtensions) {
    ScopedTestLog log;
    UpdaterLibrary lib;
    ASSERT_TRUE(lib.loaded());
    KIVOptions options;
    IUpdater* first = nullptr;
    IUpdater* second = nullptr;
    const std::wstring good = exeFolder() + L"stubs\\good\\";
    EXPECT_EQ(initializeWith(lib, good, first, options), 0);
    // The second object shares the first load, whatever the folder says now.
    EXPECT_EQ(initializeWith(lib, exeFolder() + L"stubs\\absent\\", second, options), 0);
    EXPECT_EQ(first->forwardExtension1(5), 1005);
    EXPECT_EQ(second->forwardExtension2(5), 2005);
    delete first;
    delete second;
}
