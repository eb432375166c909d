// The built package programs as the launcher runs them: in their folder,
// without arguments.
#include "LauncherTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace kivtest;

namespace {

std::set<std::wstring> listed(const char* listFile) {
    std::set<std::wstring> out;
    std::ifstream in(windowsPath(listFile).c_str());
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            out.insert(windowsPath(line.c_str()));
    return out;
}

std::set<std::wstring> filesOnly(const std::wstring& dir) {
    std::set<std::wstring> out;
    for (const std::wstring& e : listTree(dir))
        if (!(::GetFileAttributesW((dir + e).c_str()) & FILE_ATTRIBUTE_DIRECTORY))
            out.insert(e);
    return out;
}

} // namespace

TEST(PackageProgram, IntactProgramUnpacksItsListAndDamagedOneNothing) {
    const std::string program = readFile(windowsPath(KIV_COMMON_EXE));
    const size_t stub = readFile(windowsPath(KIV_SFX_STUB_EXE)).size();
    ASSERT_GT(program.size(), stub + 1000);

    std::wstring good = makeTestFolder(L"kivpkg");
    writeFile(good + L"common.exe", program);
    ChildResult r = runChild(good + L"common.exe", L"", {}, good);
    EXPECT_EQ(r.exitCode, 0u);
    std::set<std::wstring> expected = listed(KIV_COMMON_LIST);
    expected.insert(L"common.exe");
    std::set<std::wstring> found = filesOnly(good);
    found.erase(L"child-stdout.txt");
    EXPECT_EQ(found, expected);
    removeTree(good);

    // Damage in the first, middle and last part of the archive.
    for (double where : {0.1, 0.5, 0.9}) {
        std::string damaged = program;
        size_t at = stub + static_cast<size_t>((program.size() - stub) * where);
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        std::wstring bad = makeTestFolder(L"kivpkgbad");
        writeFile(bad + L"common.exe", damaged);
        r = runChild(bad + L"common.exe", L"", {}, bad);
        EXPECT_NE(r.exitCode, 0u) << where;
        std::set<std::wstring> left = filesOnly(bad);
        left.erase(L"child-stdout.txt");
        EXPECT_EQ(left, std::set<std::wstring>{L"common.exe"}) << where;
        removeTree(bad);
    }
}

TEST(PackageProgram, SignedProgramsStillUnpack) {
    if (!KIV_CAN_SIGN)
        GTEST_SKIP() << "built without osslsigncode";
    const struct {
        const wchar_t* name;
        const char* list;
    } programs[] = {{L"common.exe", KIV_COMMON_LIST}, {L"package.exe", KIV_SIGNED_PACKAGE_LIST}};
    for (const auto& p : programs) {
        const std::string program = readFile(windowsPath(KIV_SIGNED_DIR) + L"\\" + p.name);
        ASSERT_TRUE(isSignedProgram(program)) << "not signed";
        std::wstring dir = makeTestFolder(L"kivsigned");
        writeFile(dir + p.name, program);
        ChildResult r = runChild(dir + p.name, L"", {}, dir);
        EXPECT_EQ(r.exitCode, 0u);
        std::set<std::wstring> expected = listed(p.list);
        expected.insert(p.name);
        std::set<std::wstring> found = filesOnly(dir);
        found.erase(L"child-stdout.txt");
        EXPECT_EQ(found, expected);
        removeTree(dir);
    }
}
