// The extractor program itself, run as a child process in a folder of its own.
#include "WindowsSupport.h"

#include "ScopedHandle.h"
#include "ZipBuilder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::wstring tempRoot() {
    wchar_t buf[MAX_PATH];
    DWORD n = ::GetTempPathW(MAX_PATH, buf);
    return std::wstring(buf, n);
}

std::vector<uint8_t> readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::wstring& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

std::string readText(const std::wstring& path) {
    std::vector<uint8_t> d = readFile(path);
    return std::string(d.begin(), d.end());
}

void removeTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (find) {
        do {
            std::wstring n = fd.cFileName;
            if (n == L"." || n == L"..")
                continue;
            std::wstring p = dir + L"\\" + n;
            ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(p);
            else
                ::DeleteFileW(p.c_str());
        } while (::FindNextFileW(find.get(), &fd));
    }
    find.reset();
    ::RemoveDirectoryW(dir.c_str());
}

// Every file and folder below dir, relative, '\' separated.
void listTree(const std::wstring& dir, const std::wstring& rel, std::set<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    ScopedFindHandle find(::FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (!find)
        return;
    do {
        std::wstring n = fd.cFileName;
        if (n == L"." || n == L"..")
            continue;
        out.insert(rel + n);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            listTree(dir + L"\\" + n, rel + n + L"\\", out);
    } while (::FindNextFileW(find.get(), &fd));
}

class SfxProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = tempRoot() + L"sfxtest_" + std::to_wstring(::GetCurrentProcessId());
        removeTree(dir_);
        ASSERT_TRUE(::CreateDirectoryW(dir_.c_str(), nullptr));
        wchar_t stub[MAX_PATH];
        ::MultiByteToWideChar(CP_UTF8, 0, KIV_SFX_STUB, -1, stub, MAX_PATH);
        stub_ = readFile(stub);
        ASSERT_GT(stub_.size(), 1000u);
    }
    void TearDown() override { removeTree(dir_); }

    // Writes stub + archive as dir_\pkg.exe, runs it there, returns its exit code.
    DWORD run(const std::vector<uint8_t>& archive) {
        std::vector<uint8_t> exe = stub_;
        exe.insert(exe.end(), archive.begin(), archive.end());
        std::wstring path = dir_ + L"\\pkg.exe";
        writeFile(path, exe);
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                              dir_.c_str(), &si, &pi))
            return 0xDEADu;
        ScopedKernelHandle process(pi.hProcess), thread(pi.hThread);
        ::WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 0xBEEFu;
        ::GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }

    std::set<std::wstring> contents() {
        std::set<std::wstring> s;
        listTree(dir_, L"", s);
        return s;
    }

    std::wstring dir_;
    std::vector<uint8_t> stub_;
};

} // namespace

TEST_F(SfxProgram, ExtractsIntoItsFolderOverwritingReadOnlyFiles) {
    std::string big(300000, 'z');
    ZipBuilder b;
    b.add("config.ini", "[A]\r\nk=v\r\n", false);
    b.add("en/lang.dll", big, true);
    b.add("pt_BR/", "", false);
    // A read-only leftover of the same name must be replaced.
    std::wstring old = dir_ + L"\\config.ini";
    writeFile(old, {'o', 'l', 'd'});
    ::SetFileAttributesW(old.c_str(), FILE_ATTRIBUTE_READONLY);

    // Packed at 12:00:00 on 1 January 2026, local time.
    b.packedAt = ((((2026u - 1980u) << 9) | (1u << 5) | 1u) << 16) | (12u << 11);
    FILETIME before;
    ::GetSystemTimeAsFileTime(&before);

    ASSERT_EQ(run(b.build(std::string(), true)), 0u);
    EXPECT_EQ(readText(dir_ + L"\\config.ini"), "[A]\r\nk=v\r\n");
    EXPECT_EQ(readText(dir_ + L"\\en\\lang.dll"), big);
    // Each file bears the time it was written, not the packed one: readers
    // of config.ini take an unchanged write time and size for unchanged
    // bytes, so a package unpacked over another must move the time on.
    // (Two seconds of slack for file systems with a coarse clock.)
    const ULONGLONG earliest =
        ((ULONGLONG(before.dwHighDateTime) << 32) | before.dwLowDateTime) - 2 * 10000000ULL;
    for (const wchar_t* name : {L"\\config.ini", L"\\en\\lang.dll"}) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(::GetFileAttributesExW((dir_ + name).c_str(), GetFileExInfoStandard, &data));
        const FILETIME& w = data.ftLastWriteTime;
        EXPECT_GE((ULONGLONG(w.dwHighDateTime) << 32) | w.dwLowDateTime, earliest) << name;
    }
    std::set<std::wstring> expected = {L"pkg.exe", L"config.ini", L"en", L"en\\lang.dll", L"pt_BR"};
    EXPECT_EQ(contents(), expected);
}

// A file that a scanner holds for a moment (open, not free to be renamed)
// is replaced once it is let go: the unpacking does not give up on it.
TEST_F(SfxProgram, AFileHeldForAMomentIsReplacedOnceLetGo) {
    ZipBuilder b;
    b.add("config.ini", "[A]\r\nk=v\r\n", false);
    const std::wstring old = dir_ + L"\\config.ini";
    writeFile(old, {'o', 'l', 'd'});
    HANDLE held = ::CreateFileW(old.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // Let go half a second after the program has staged its files, when it
    // is trying to put them in place.
    std::thread scanner([&] {
        for (int i = 0; i < 1000; ++i) {
            WIN32_FIND_DATAW fd;
            ScopedFindHandle staged(::FindFirstFileW((dir_ + L"\\.sfx-*").c_str(), &fd));
            if (staged)
                break;
            ::Sleep(10);
        }
        ::Sleep(500);
        ::CloseHandle(held);
    });
    const DWORD rc = run(b.build());
    scanner.join();
    EXPECT_EQ(rc, 0u);
    EXPECT_EQ(readText(old), "[A]\r\nk=v\r\n");
}

TEST_F(SfxProgram, DamagedArchiveLeavesNoFileBehind) {
    ZipBuilder b;
    b.add("first.txt", "complete and fine", false);
    std::string varied;
    for (int i = 0; i < 100000; ++i)
        varied += static_cast<char>('a' + (i * 7919 + i / 13) % 26);
    b.add("sub/second.bin", varied, true);
    std::vector<uint8_t> zip = b.build();
    const ZipBuilder::Item& second = b.items()[1];
    zip[second.localOffset + 30 + second.name.size() + second.csize / 2] ^= 0x40;

    EXPECT_NE(run(zip), 0u);
    std::set<std::wstring> expected = {L"pkg.exe"};
    EXPECT_EQ(contents(), expected);
}

TEST_F(SfxProgram, EscapingEntriesAreRefusedBeforeAnythingIsWritten) {
    const std::wstring outside =
        tempRoot() + L"sfx_escape_" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    const std::string escape = "../sfx_escape_" + std::to_string(::GetCurrentProcessId()) + ".txt";
    for (const std::string& bad :
         {escape, std::string("C:/sfx_abs.txt"), std::string("..\\sfx_bs.txt"),
          std::string("ok.txt:ads"), std::string(".sfx-part-0"), std::string(".SFX-PART-0"),
          std::string(".Sfx-Kept-1")}) {
        ZipBuilder b;
        b.add("harmless.txt", "x", false);
        b.add(bad, "evil", false);
        EXPECT_NE(run(b.build()), 0u) << bad;
        std::set<std::wstring> expected = {L"pkg.exe"};
        EXPECT_EQ(contents(), expected) << bad;
        EXPECT_EQ(::GetFileAttributesW(outside.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(SfxProgram, NamesThatAreOneFileToTheFileSystemAreRefused) {
    // Code page 437: 0x82 is e acute and 0x90 its capital; 0x84/0x8E the same
    // for a umlaut, inside a folder whose name differs only in case too.
    for (const auto& pair : {std::make_pair(std::string("\x82.txt"), std::string("\x90.txt")),
                             std::make_pair(std::string("d/\x84"), std::string("D/\x8E"))}) {
        ZipBuilder b;
        b.add(pair.first, "first", false);
        b.add(pair.second, "second", false);
        EXPECT_EQ(run(b.build()), 2u) << pair.second;
        std::set<std::wstring> expected = {L"pkg.exe"};
        EXPECT_EQ(contents(), expected) << pair.second;
    }
}

TEST_F(SfxProgram, ARenameThatFailsTakesBackTheOnesBeforeIt) {
    // "b.txt" cannot replace a folder of that name; "a.txt" is renamed first.
    writeFile(dir_ + L"\\a.txt", {'o', 'l', 'd'});
    ::SetFileAttributesW((dir_ + L"\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(::CreateDirectoryW((dir_ + L"\\b.txt").c_str(), nullptr));
    writeFile(dir_ + L"\\b.txt\\inside", {'i'});
    ZipBuilder b;
    b.add("a.txt", "new a", false);
    b.add("b.txt", "new b", true);
    b.add("c.txt", "new c", false);
    EXPECT_EQ(run(b.build()), 3u);
    std::set<std::wstring> expected = {L"pkg.exe", L"a.txt", L"b.txt", L"b.txt\\inside"};
    EXPECT_EQ(contents(), expected);
    EXPECT_EQ(readText(dir_ + L"\\a.txt"), "old") << "the file it replaced is back";
    EXPECT_TRUE(::GetFileAttributesW((dir_ + L"\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(SfxProgram, ProgramWithoutArchiveFails) {
    EXPECT_NE(run({}), 0u);
    EXPECT_EQ(contents().size(), 1u);
}
