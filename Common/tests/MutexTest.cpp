#include "InterProcessLock.h"
#include "Mutex.h"
#include "SecurityEveryone.h"
#include "Win32Exception.h"

#include <aclapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::wstring uniqueName(const wchar_t* base) {
    return std::wstring(base) + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(GetTickCount());
}

bool tryFromOtherThread(Mutex& mutex, uint32_t ms) {
    bool got = false;
    std::thread([&] {
        got = mutex.acquire(ms);
        if (got)
            mutex.release();
    }).join();
    return got;
}

TEST(Mutex, ZeroWaitNeverTakesIt) {
    Mutex mutex(Mutex::Ownership::NotOwned, uniqueName(L"KIVTEST_ZERO_"), Mutex::Access::Everyone);
    EXPECT_FALSE(mutex.acquire(0));
    EXPECT_TRUE(tryFromOtherThread(mutex, 100)) << "acquire(0) must not have taken it";
}

TEST(Mutex, TwoObjectsOfOneNameExcludeEachOther) {
    std::wstring name = uniqueName(L"KIVTEST_SAME_");
    Mutex launcherSide(Mutex::Ownership::NotOwned, name, Mutex::Access::Everyone);
    Mutex librarySide(Mutex::Ownership::NotOwned, name, Mutex::Access::Everyone);
    ASSERT_TRUE(launcherSide.acquire(INFINITE));
    EXPECT_FALSE(tryFromOtherThread(librarySide, 50));
    launcherSide.release();
    EXPECT_TRUE(tryFromOtherThread(librarySide, 1000));
}

TEST(Mutex, NestedHoldsAreGivenUpByOneRelease) {
    Mutex mutex(Mutex::Ownership::InitiallyOwned, uniqueName(L"KIVTEST_NEST_"),
                Mutex::Access::Default);
    ASSERT_TRUE(mutex.acquire(INFINITE));
    ASSERT_TRUE(mutex.acquire(INFINITE));
    EXPECT_FALSE(tryFromOtherThread(mutex, 50));
    mutex.release();
    EXPECT_TRUE(tryFromOtherThread(mutex, 1000));
}

TEST(Mutex, ReleaseByAnotherThreadDoesNothing) {
    Mutex mutex(Mutex::Ownership::NotOwned, uniqueName(L"KIVTEST_OTHER_"), Mutex::Access::Everyone);
    ASSERT_TRUE(mutex.acquire(INFINITE));
    std::thread([&] { EXPECT_NO_THROW(mutex.release()); }).join();
    EXPECT_FALSE(tryFromOtherThread(mutex, 50)) << "still held by this thread";
    mutex.release();
}

TEST(Mutex, AbandonedMutexIsTakenNormally) {
    Mutex mutex(Mutex::Ownership::NotOwned, uniqueName(L"KIVTEST_ABANDON_"),
                Mutex::Access::Everyone);
    std::thread([&] { ASSERT_TRUE(mutex.acquire(INFINITE)); }).join();
    EXPECT_TRUE(mutex.acquire(1000));
    mutex.release();
    EXPECT_TRUE(tryFromOtherThread(mutex, 1000));
}

// Many threads share one Mutex object, as the threads of a module share the
// logger's: the hand-over between threads must never corrupt the holds.
TEST(InterProcessLock, SharedMutexObjectSerialisesManyThreads) {
    Mutex mutex(Mutex::Ownership::NotOwned, uniqueName(L"KIVTEST_SHARED_"),
                Mutex::Access::Everyone);
    int counter = 0;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                try {
                    InterProcessLock hold(&mutex);
                    if (++inside != 1)
                        ++overlaps;
                    ++counter;
                    --inside;
                } catch (...) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, 6 * 2000);
    EXPECT_TRUE(tryFromOtherThread(mutex, 1000)) << "no hold was left behind";
}

TEST(InterProcessLock, NamelessMutexIsRefused) {
    Mutex nameless(Mutex::Ownership::NotOwned, L"", Mutex::Access::Default);
    try {
        InterProcessLock hold(&nameless);
        ADD_FAILURE() << "expected a throw";
    } catch (const Win32Exception& e) {
        EXPECT_EQ(e.getMessage(), L"InterProcessLock has no name");
        EXPECT_EQ(e.getCode(), 0);
        EXPECT_EQ(e.getSourceFile(), L".\\Common\\InterProcessLock");
    }
}

TEST(SecurityEveryone, GrantsGenericAllToTheWorld) {
    for (bool inherit : {false, true}) {
        SecurityEveryone security(inherit);
        SECURITY_ATTRIBUTES* attributes = security.getSecurityAttributes();
        ASSERT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
        ASSERT_TRUE(security.isEnabled()) << "Wine reports the NT family";
        ASSERT_NE(attributes->lpSecurityDescriptor, nullptr);
        EXPECT_TRUE(IsValidSecurityDescriptor(attributes->lpSecurityDescriptor));
        BOOL present = FALSE, defaulted = TRUE;
        PACL acl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl,
                                              &defaulted));
        EXPECT_TRUE(present);
        EXPECT_FALSE(defaulted);
        ASSERT_NE(acl, nullptr);
        EXPECT_EQ(acl->AceCount, 1);
        void* raw = nullptr;
        ASSERT_TRUE(GetAce(acl, 0, &raw));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Mask, static_cast<DWORD>(GENERIC_ALL));
        EXPECT_EQ((ace->Header.AceFlags & CONTAINER_INHERIT_ACE) != 0, inherit);
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        PSID everyone = nullptr;
        ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                             &everyone));
        EXPECT_TRUE(EqualSid(&ace->SidStart, everyone));
        FreeSid(everyone);
    }
}

TEST(SecurityEveryone, MutexCreatedWithItOpensByName) {
    std::wstring name = uniqueName(L"KIVTEST_SEC_");
    Mutex mutex(Mutex::Ownership::NotOwned, name, Mutex::Access::Everyone);
    HANDLE opened = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    EXPECT_NE(opened, nullptr);
    if (opened)
        CloseHandle(opened);
    SecurityEveryone security(false);
    EXPECT_NO_THROW(security.doApply(mutex.getHandle()));
}

TEST(SecurityEveryone, AppliesToARegistryKey) {
    const wchar_t* path = L"Software\\KIVTest\\Security";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0,
                              KEY_ALL_ACCESS | WRITE_DAC | READ_CONTROL, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    SecurityEveryone security(true);
    EXPECT_NO_THROW(security.doApply(key));
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &acl, nullptr, &descriptor),
              ERROR_SUCCESS);
    ASSERT_NE(acl, nullptr);
    EXPECT_EQ(acl->AceCount, 1);
    void* raw = nullptr;
    ASSERT_TRUE(GetAce(acl, 0, &raw));
    EXPECT_EQ(static_cast<ACCESS_ALLOWED_ACE*>(raw)->Header.AceFlags & CONTAINER_INHERIT_ACE,
              CONTAINER_INHERIT_ACE);
    LocalFree(descriptor);
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, path);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KIVTest");
}

} // namespace
