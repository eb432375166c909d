// The real program: "KIV.exe -m 1 -dialog N" shows page N, and the user's
// locale chooses the licence and the language of the pages.
#include "PageDriver.h"
#include "PageTestSupport.h"
#include "WizardPage.h"

#include <gtest/gtest.h>

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

// Starts the program with these arguments; locale: the Unix locale Wine
// takes the user's language from (empty: as the test runs).
void start(Child& child, const std::wstring& exe, const std::wstring& args,
           const std::wstring& locale = std::wstring()) {
    std::wstring env;
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        if (!locale.empty() && (entry.rfind(L"LC_", 0) == 0 || entry.rfind(L"LANG=", 0) == 0 ||
                                entry.rfind(L"LANGUAGE=", 0) == 0))
            continue;
        env += entry + L'\0';
    }
    ::FreeEnvironmentStringsW(block);
    if (!locale.empty())
        env += L"LC_ALL=" + locale + L'\0' + L"LANG=" + locale + L'\0';
    env += L'\0';
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE,
                                 CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_CONSOLE, &env[0], nullptr,
                                 &si, &pi));
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
    } pages[] = {{1, 1039, 1009},  {2, 1038, 1011},  {3, 1039, 1069},  {4, 1038, 1014},
                 {6, 1038, 1018},  {7, 1038, 1020},  {8, 1039, 1023},  {9, 1039, 1025},
                 {10, 1039, 1027}, {11, 1039, 1029}, {12, 1039, 1034}, {13, 1038, 1036},
                 {14, 1039, 1074}};
    for (const Expect& e : pages) {
        Child child;
        start(child, kExe, L"-m 1 -dialog " + std::to_wstring(e.number));
        HWND page = findPage(child);
        ASSERT_TRUE(page) << e.number;
        EXPECT_EQ(text(page, e.control), en.t(e.string)) << e.number;
        EXPECT_EQ(text(page, 0), en.t(1005)) << e.number;
        if (e.number == 13) {
            EXPECT_EQ(text(page, 1039), en.t(1070) + L" K417_C020513_00");
            EXPECT_EQ(text(page, 1040), en.t(1071) + L" K417_D031507_00");
            EXPECT_EQ(text(page, 1041), en.t(1072) + L" C");
        }
        if (e.number == 14) {
            EXPECT_TRUE(visible(page, 1066));
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
    EXPECT_EQ(text(page, 1038), en.t(1016));
    EXPECT_EQ(text(page, 1040), en.t(1043));
    EXPECT_EQ(child.wait(60000), 0u);
    const ULONGLONG kept = ::GetTickCount64() - shown;
    EXPECT_GE(kept, 25000u);
    EXPECT_LE(kept, 45000u);
}

struct LocaleCase {
    const wchar_t* locale;
    const wchar_t* pages; // language library whose texts the pages show
    const char* licence;  // licence file shown
};

TEST(LanguageChoice, UserLocaleChoosesLicenceAndPages) {
    const LocaleCase cases[] = {{L"de_DE.UTF-8", L"de", "DE"},
                                {L"ko_KR.UTF-8", L"en", "EN"},
                                {L"pt_BR.UTF-8", L"en", "EN"},
                                {L"ja_JP.UTF-8", L"ja", "JA"}};
    for (const LocaleCase& c : cases) {
        PageSetup expected(c.pages);
        Child child;
        start(child, kExe, L"-m 1 -dialog 2", c.locale);
        HWND page = findPage(child);
        ASSERT_TRUE(page) << c.locale;
        EXPECT_EQ(text(page, 1038), expected.t(1011)) << c.locale;
        EXPECT_EQ(firstLine(text(page, 1000)), sourceLicenceFirstLine(c.licence)) << c.locale;
        endPage(page);
        EXPECT_EQ(child.wait(30000), 0u) << c.locale;
    }
}

TEST(LanguageChoice, MissingLanguageLibraryEndsTheRun) {
    Child child;
    start(child, winPath(KIV_NOLANG_DIR) + L"KIV.exe", L"-m 1 -dialog 1");
    // Result 3 of the wizard is exit code 4; no page was shown.
    EXPECT_EQ(child.wait(120000), 4u);
    EXPECT_FALSE(findPage(child));
}

} // namespace
