// The real program: "KIV.exe -m 1 -dialog N" shows page N, and the user's
// locale chooses the licence and the language of the pages.
#include "PageControls.h"
#include "PageDriver.h"
#include "PageTestSupport.h"
#include "LanguageCode.h"
#include "StringIds.h"
#include "WizardPage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using namespace driver;

struct Child {
    HANDLE process = nullptr;
    DWORD pid = 0;
    ~Child() {
        if (process) {
            if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(process, 99);
            ::CloseHandle(process);
        }
    }
    DWORD wait(DWORD ms) {
        DWORD code = 259;
        if (::WaitForSingleObject(process, ms) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(process, &code);
        return code;
    }
};

// Starts the program with these arguments, in the test's own locale.
void start(Child& child, const std::wstring& exe, const std::wstring& args) {
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                                 nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    child.process = pi.hProcess;
    child.pid = pi.dwProcessId;
}

struct PidSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK pickPage(HWND window, LPARAM param) {
    PidSearch* search = reinterpret_cast<PidSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (pid == search->pid && std::wstring(name) == L"#32770" && ::IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The program's page; it unpacks its packages first.
HWND findPage(const Child& child) {
    PidSearch search{child.pid, nullptr};
    for (int i = 0; i < 1200 && !search.found; ++i) {
        ::EnumWindows(&pickPage, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            if (::WaitForSingleObject(child.process, 0) == WAIT_OBJECT_0)
                break;
            ::Sleep(50);
        }
    }
    return search.found;
}

// Ends a page whichever way it can be ended.
void endPage(HWND page) {
    ::PostMessageW(page, WM_CLOSE, 0, 0);
    ::Sleep(300);
    if (::IsWindow(page))
        ::PostMessageW(page, WM_COMMAND, IDOK, 0);
}

std::wstring firstLine(const std::wstring& text) {
    return text.substr(0, text.find_first_of(L"\r\n"));
}

std::wstring sourceLicenceFirstLine(const char* language) {
    std::ifstream in(std::string(KIV_LICENCE_DIR) + "/EULA-KIV-" + language + ".txt",
                     std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string utf8 = bytes.str();
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                          static_cast<int>(utf8.size()), &wide[0],
                                                          static_cast<int>(wide.size()))));
    if (!wide.empty() && wide[0] == 0xFEFF)
        wide.erase(0, 1);
    return firstLine(wide);
}

const std::wstring kExe = winPath(KIV_SHORT_DIR) + L"KIV.exe";

TEST(Preview, EveryDialogNumberShowsItsPage) {
    PageSetup en(L"en");
    struct Expect {
        int number;
        int control;
        uint32_t string;
    } pages[] = {{1, Ctl::Welcome::Body, Str::WelcomeBody},
                 {2, Ctl::Licence::Heading, Str::LicenceHeading},
                 {3, Ctl::SelectDevice::Help, Str::SelectHelp},
                 {4, Ctl::SelectAddress::Heading, Str::AddressHeading},
                 {6, Ctl::Result::Heading, Str::ResultHeading},
                 {7, Ctl::Summary::Heading, Str::SummaryHeading},
                 {8, Ctl::Error::Heading, Str::ErrBadFileHeading},
                 {9, Ctl::Error::Heading, Str::ErrNoPrinterHeading},
                 {10, Ctl::Error::Heading, Str::ErrWrongPrinterHeading},
                 {11, Ctl::Error::Heading, Str::ErrUpdateHeading},
                 {12, Ctl::ErrorSPR::Heading, Str::SprHeading},
                 {13, Ctl::ErrorRevision::Heading, Str::RevHeading},
                 {14, Ctl::Error::Heading, Str::ErrCommunicationHeading}};
    for (const Expect& e : pages) {
        Child child;
        start(child, kExe, L"-m 1 -dialog " + std::to_wstring(e.number));
        HWND page = findPage(child);
        ASSERT_TRUE(page) << e.number;
        EXPECT_EQ(text(page, e.control), en.t(e.string)) << e.number;
        EXPECT_EQ(text(page, 0), en.t(Str::Title)) << e.number;
        if (e.number == 13) {
            EXPECT_EQ(text(page, Ctl::ErrorRevision::Device),
                      en.t(Str::RevDevice) + L" K417_C020513_00");
            EXPECT_EQ(text(page, Ctl::ErrorRevision::Package),
                      en.t(Str::RevPackage) + L" K417_D031507_00");
            EXPECT_EQ(text(page, Ctl::ErrorRevision::Required), en.t(Str::RevRequired) + L" C");
        }
        if (e.number == 14) {
            EXPECT_TRUE(visible(page, Ctl::Error::Retry));
        }
        if (e.number == 6) {
            // No 5-second timer in a preview.
            ::Sleep(5500);
            EXPECT_TRUE(::IsWindow(page));
        }
        endPage(page);
        EXPECT_EQ(child.wait(30000), 0u) << e.number;
    }
}

TEST(Preview, ProgressPageStaysThirtySecondsThenTheRunEnds) {
    PageSetup en(L"en");
    Child child;
    start(child, kExe, L"-m 1 -dialog 5");
    HWND page = findPage(child);
    ASSERT_TRUE(page);
    const ULONGLONG shown = ::GetTickCount64();
    EXPECT_EQ(text(page, Ctl::Progress::Heading), en.t(Str::ProgressHeading));
    EXPECT_EQ(text(page, Ctl::Progress::Body), en.t(Str::ProgressBody));
    EXPECT_EQ(child.wait(60000), 0u);
    const ULONGLONG kept = ::GetTickCount64() - shown;
    EXPECT_GE(kept, 25000u);
    EXPECT_LE(kept, 45000u);
}

// Wine takes the user's locale from the Unix locale it was started with, so
// each locale is a run of its own (run-locales.sh), named by KIV_LOCALE_CASE:
// "<Unix locale>:<language code Windows reports>:<pages' library>:<licence>".
TEST(LanguageChoice, UserLocaleChoosesLicenceAndPages) {
    const char* spec = std::getenv("KIV_LOCALE_CASE");
    if (!spec)
        GTEST_SKIP() << "runs once per locale from run-locales.sh";
    std::vector<std::string> part;
    std::stringstream fields(spec);
    for (std::string field; std::getline(fields, field, ':');)
        part.push_back(field);
    ASSERT_EQ(part.size(), 4u) << spec;
    // The locale really is the user's language here, so English pages mean
    // the wizard chose them.
    const std::wstring code = getLanguageCode(::GetUserDefaultLangID());
    ASSERT_EQ(std::string(code.begin(), code.end()), part[1]);

    PageSetup expected(std::wstring(part[2].begin(), part[2].end()));
    Child child;
    start(child, kExe, L"-m 1 -dialog 2");
    HWND page = findPage(child);
    ASSERT_TRUE(page) << spec;
    EXPECT_EQ(text(page, Ctl::Licence::Heading), expected.t(Str::LicenceHeading)) << spec;
    EXPECT_EQ(text(page, Ctl::Licence::MustAgree), expected.t(Str::LicenceMustAgree)) << spec;
    EXPECT_EQ(firstLine(text(page, Ctl::Licence::Text)), sourceLicenceFirstLine(part[3].c_str()))
        << spec;
    endPage(page);
    EXPECT_EQ(child.wait(30000), 0u) << spec;
}

TEST(LanguageChoice, MissingLanguageLibraryEndsTheRun) {
    Child child;
    start(child, winPath(KIV_NOLANG_DIR) + L"KIV.exe", L"-m 1 -dialog 1");
    // Result 3 of the wizard is exit code 4; no page was shown.
    EXPECT_EQ(child.wait(120000), 4u);
    EXPECT_FALSE(findPage(child));
}

} // namespace

namespace {

// The program asks for version 6 of the common controls and runs as the
// user who started it.
TEST(Manifest, CommonControlsSixAndAsInvoker) {
    HMODULE exe = ::LoadLibraryExW(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(exe);
    HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_TRUE(found);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(exe, found)));
    const std::string manifest(bytes, ::SizeofResource(exe, found));
    ::FreeLibrary(exe);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

} // namespace
