// The Licence page: the file's exact text in the system's ANSI code page,
// an empty file, a file too big for a text box's default limit, a file that
// cannot be opened; and the results of its buttons, Escape and close box.
#include "KIVEula.h"
#include "PageDriver.h"
#include "PageControls.h"
#include "PageTestSupport.h"
#include "StringIds.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace driver;

std::wstring shownLicence(PageSetup& s, const std::wstring& path) {
    s.context.licencePath = path;
    std::wstring shown;
    KIVEula eula(&s.context, s.lang);
    EXPECT_EQ(run(eula,
                  [&](HWND d) {
                      shown = text(d, Ctl::Licence::Text);
                      click(d, Ctl::Licence::Agree);
                  }),
              1);
    return shown;
}

class Licence : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(Licence, TextsAndResults) {
    PageSetup s(GetParam());
    TempFolder folder;
    writeFileBytes(folder.path() + L"EULA-KIV-EN.txt", "Terms.\r\nMore terms.");
    s.context.licencePath = folder.path() + L"EULA-KIV-EN.txt";
    KIVEula eula(&s.context, s.lang);
    EXPECT_EQ(run(eula,
                  [&](HWND d) {
                      EXPECT_EQ(text(d, 0), s.t(Str::Title));
                      EXPECT_EQ(text(d, Ctl::Licence::Heading), s.t(Str::LicenceHeading));
                      EXPECT_EQ(controlFont(d, Ctl::Licence::Heading).lfWeight, 700);
                      EXPECT_EQ(controlFont(d, Ctl::Licence::Heading).lfHeight,
                                static_cast<LONG>(controlFont(d, Ctl::Licence::MustAgree).lfHeight *
                                                  1.5));
                      EXPECT_EQ(text(d, Ctl::Licence::MustAgree), s.t(Str::LicenceMustAgree));
                      EXPECT_EQ(text(d, Ctl::Licence::Click), s.t(Str::LicenceClick));
                      EXPECT_EQ(text(d, Ctl::Licence::Agree), s.t(Str::Agree));
                      EXPECT_EQ(text(d, Ctl::Licence::Disagree), s.t(Str::Disagree));
                      EXPECT_EQ(text(d, Ctl::Licence::Text), L"Terms.\r\nMore terms.");
                      click(d, Ctl::Licence::Agree);
                  }),
              1);
    KIVEula disagree(&s.context, s.lang);
    EXPECT_EQ(run(disagree, [&](HWND d) { click(d, Ctl::Licence::Disagree); }), 2);
    KIVEula escape(&s.context, s.lang);
    EXPECT_EQ(run(escape, [&](HWND d) { pressKey(d, VK_ESCAPE); }), 2);
    KIVEula closed(&s.context, s.lang);
    EXPECT_EQ(run(closed, [&](HWND d) { closeBox(d); }), 8);
}

INSTANTIATE_TEST_SUITE_P(Languages, Licence, ::testing::Values(L"en", L"ar", L"ja"));

TEST(LicenceFile, SingleByteCodePage) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "ANSI code page " << ::GetACP();
    PageSetup s(L"en");
    TempFolder folder;
    writeFileBytes(folder.path() + L"l.txt", "Caf\xE9 \x80 5 \xBD\r\n\xDF");
    EXPECT_EQ(shownLicence(s, folder.path() + L"l.txt"), L"Caf\u00E9 \u20AC 5 \u00BD\r\n\u00DF");
}

// Each licence in its own language's code page, on a Western system.
TEST(LicenceFile, RussianAndJapaneseOnAWesternSystem) {
    if (::GetACP() != 1252)
        GTEST_SKIP() << "ANSI code page " << ::GetACP();
    PageSetup s(L"en");
    TempFolder folder;
    // "Лицензия" in 1251; "使用許諾" in Shift-JIS.
    writeFileBytes(folder.path() + L"EULA-KIV-RU.txt", "\xCB\xE8\xF6\xE5\xED\xE7\xE8\xFF");
    writeFileBytes(folder.path() + L"EULA-KIV-JA.txt", "\x8E\x67\x97\x70\x8B\x96\x91\xF8");
    EXPECT_EQ(shownLicence(s, folder.path() + L"EULA-KIV-RU.txt"),
              L"\u041B\u0438\u0446\u0435\u043D\u0437\u0438\u044F");
    EXPECT_EQ(shownLicence(s, folder.path() + L"EULA-KIV-JA.txt"), L"\u4F7F\u7528\u8A31\u8AFE");
}

// Run with the Japanese locale (KIV_EXPECT_ACP=932): exactly the file's
// bytes decoded, nothing after them.
TEST(LicenceFile, MultiByteCodePage) {
    const char* expected = std::getenv("KIV_EXPECT_ACP");
    if (!expected || std::atoi(expected) != 932)
        GTEST_SKIP() << "runs under the Japanese locale";
    ASSERT_EQ(::GetACP(), 932u);
    PageSetup s(L"ja");
    TempFolder folder;
    // "日本語の使用許諾" and a half-width katakana "ｱ", in Shift-JIS.
    writeFileBytes(folder.path() + L"l.txt",
                   "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x8E\x67\x97\x70\x8B\x96\x91\xF8\r\n\xB1");
    EXPECT_EQ(shownLicence(s, folder.path() + L"l.txt"),
              L"\u65E5\u672C\u8A9E\u306E\u4F7F\u7528\u8A31\u8AFE\r\n\uFF71");
}

TEST(LicenceFile, EmptyBigMissingAndLocked) {
    PageSetup s(L"en");
    TempFolder folder;
    writeFileBytes(folder.path() + L"empty.txt", "");
    EXPECT_EQ(shownLicence(s, folder.path() + L"empty.txt"), L"");

    // Far beyond the 30000 characters a text box takes by default.
    std::string big;
    for (int i = 0; big.size() < 200000; ++i)
        big += "Clause " + std::to_string(i) + ": the licensee shall read every word.\r\n";
    writeFileBytes(folder.path() + L"big.txt", big);
    const std::wstring shown = shownLicence(s, folder.path() + L"big.txt");
    EXPECT_EQ(shown.size(), big.size());
    EXPECT_EQ(shown.substr(shown.size() - 20), std::wstring(big.end() - 20, big.end()));

    EXPECT_EQ(shownLicence(s, folder.path() + L"missing.txt"), L"");
    EXPECT_EQ(shownLicence(s, L""), L"");

    // Someone else has the file open: the page does not read it.
    HANDLE held = ::CreateFileW((folder.path() + L"big.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(shownLicence(s, folder.path() + L"big.txt"), L"");
    ::CloseHandle(held);
}

} // namespace
