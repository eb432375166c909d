#include "IpAddressCheck.h"
#include "LanguageCode.h"
#include "OsVersion.h"
#include "PathCheck.h"
#include "ScopedHandle.h"
#include "WindowsSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageCode, SpecialCasesAndFallback) {
    EXPECT_EQ(getLanguageCode(0x0C04), L"zh");
    EXPECT_EQ(getLanguageCode(0x0804), L"zh");
    EXPECT_EQ(getLanguageCode(0x1004), L"zh");
    EXPECT_EQ(getLanguageCode(0x0404), L"zh-TW");
    EXPECT_EQ(getLanguageCode(0x0816), L"pt-PT");
    EXPECT_EQ(getLanguageCode(0x0416), L"pt-BR");
    EXPECT_EQ(getLanguageCode(0x041F), L"tr");
    EXPECT_EQ(getLanguageCode(0x0422), L"en");
    EXPECT_EQ(getLanguageCode(0x0000), L"en");
    // Only the primary language counts for the others.
    EXPECT_EQ(getLanguageCode(0x0807), L"de");
    EXPECT_EQ(getLanguageCode(0x0C0C), L"fr");
    EXPECT_EQ(getLanguageCode(0x0414), L"no");
    EXPECT_EQ(getLanguageCode(0x0814), L"no");
}

TEST(CheckIpAddress, PrefixesAndTheSystemParser) {
    EXPECT_EQ(checkIpAddress(L"192.168.0.5"), 1);
    EXPECT_EQ(checkIpAddress(L"https://192.168.0.5"), 1);
    EXPECT_EQ(checkIpAddress(L"http://10.0.0.1"), 1);
    EXPECT_EQ(checkIpAddress(L"http://printer"), 2);
    EXPECT_EQ(checkIpAddress(L"printer"), 0);
    EXPECT_EQ(checkIpAddress(L"0.0.0.0"), 0);
    EXPECT_EQ(checkIpAddress(L"255.255.255.255"), 0);
    EXPECT_EQ(checkIpAddress(L"http://0.0.0.0"), 2);
    EXPECT_EQ(checkIpAddress(L""), 0);
    // The prefix is cut from the start even when found later in the text.
    EXPECT_EQ(checkIpAddress(L"abcdefghttp://1.2.3.4"), 2);
    EXPECT_EQ(checkIpAddress(L"1234567http://"), 2);
    EXPECT_EQ(checkIpAddress(L"1.2.3.4http://"), 2);
    // The system parser stops at a blank: what follows is not looked at.
    EXPECT_EQ(checkIpAddress(L"abcdefg1.2.3.4 http://"), 1);
    // What the check accepts has one address, read the same way.
    uint32_t address = 0;
    ASSERT_TRUE(parseIpAddress(L"10.1", address));
    EXPECT_EQ(address, 0x0A000001u);
    ASSERT_TRUE(parseIpAddress(L"https://0x7f.0.0.012", address));
    EXPECT_EQ(address, 0x7F00000Au);
    EXPECT_FALSE(parseIpAddress(L"http://printer", address));
    EXPECT_FALSE(parseIpAddress(L"0.0.0.0", address));
    // Four decimal parts are decimal, zero-padded as a printer's panel shows
    // them: not octal, which would name another printer.
    ASSERT_TRUE(parseIpAddress(L"192.168.001.010", address));
    EXPECT_EQ(address, 0xC0A8010Au);
    ASSERT_TRUE(parseIpAddress(L"http://010.000.000.009", address));
    EXPECT_EQ(address, 0x0A000009u);
    EXPECT_EQ(checkIpAddress(L"255.255.255.255"), 0);
}

TEST(CheckIpAddress, UnconvertibleAndOverLongTexts) {
    EXPECT_EQ(checkIpAddress(L"1.2.3.\x0664"), 0);
    EXPECT_EQ(checkIpAddress(std::wstring(L"1.2.3.4\0junk", 12)), 0);
    // 99 characters still go to the parser; its own rules decide.
    std::wstring padded99 = L"1.2.3.4" + std::wstring(92, L' ');
    EXPECT_EQ(padded99.size(), 99u);
    EXPECT_EQ(checkIpAddress(padded99), 1);
    for (size_t length : {100u, 101u, 4096u, 100000u}) {
        std::wstring longText = L"1.2.3.4" + std::wstring(length - 7, L' ');
        EXPECT_EQ(checkIpAddress(longText), 0) << length;
        EXPECT_EQ(checkIpAddress(L"http://" + longText), 2) << length;
    }
}

TEST(OsVersion, WineIsOfTheNtFamily) {
    const OsVersion& version = OsVersion::current();
    EXPECT_TRUE(version.isNT());
    EXPECT_EQ(version.isNT5OrLater(), version.getMajor() > 4);
    EXPECT_EQ(&version, &OsVersion::current());
}

TEST(PathCheck, OnlyFullPathsCount) {
    EXPECT_TRUE(isAbsoluteWindowsPath(L"C:\\tmp\\KIV_1\\Package\\"));
    EXPECT_TRUE(isAbsoluteWindowsPath(L"z:/x"));
    EXPECT_TRUE(isAbsoluteWindowsPath(L"\\\\server\\share\\"));
    EXPECT_FALSE(isAbsoluteWindowsPath(L""));
    EXPECT_FALSE(isAbsoluteWindowsPath(L"Package\\"));
    EXPECT_FALSE(isAbsoluteWindowsPath(L"C:relative"));
    EXPECT_FALSE(isAbsoluteWindowsPath(L"\\rooted"));
    EXPECT_FALSE(isAbsoluteWindowsPath(L"1:\\x"));
}

// Brushes, bitmaps and fonts are deleted once, by their last owner; a
// released one is left alone.
TEST(ScopedHandle, GdiObjectsAreDeletedOnceByTheirLastOwner) {
    HBRUSH raw = ::CreateSolidBrush(RGB(1, 2, 3));
    ASSERT_NE(raw, nullptr);
    {
        ScopedBrush brush(raw);
        ScopedBrush owner(std::move(brush));
        EXPECT_FALSE(brush.valid());
        EXPECT_EQ(::GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(::GetObjectType(raw), 0u);

    ScopedBitmap bitmap(::CreateBitmap(4, 4, 1, 32, nullptr));
    ASSERT_TRUE(bitmap.valid());
    HBITMAP given = bitmap.release();
    EXPECT_EQ(::GetObjectType(given), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_TRUE(bitmap.reset(given));
    EXPECT_TRUE(bitmap.reset());
    EXPECT_EQ(::GetObjectType(given), 0u);

    LOGFONTW spec = {};
    spec.lfHeight = -12;
    ScopedFont font(::CreateFontIndirectW(&spec));
    ASSERT_TRUE(font.valid());
    HFONT first = font.get();
    font = ScopedFont(::CreateFontIndirectW(&spec));
    EXPECT_EQ(::GetObjectType(first), 0u) << "the old font goes when another takes its place";
}

} // namespace
