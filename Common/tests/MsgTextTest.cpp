#include "MsgText.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {
template <class T, class = void> struct Appendable : std::false_type {};
template <class T>
struct Appendable<T, std::void_t<decltype(std::declval<MsgText&>() << std::declval<T>())>>
    : std::true_type {};
} // namespace

// A narrow character would print as its number, another pointer as "true".
static_assert(!Appendable<char>::value && !Appendable<const void*>::value &&
                  !Appendable<const int*>::value && Appendable<const char*>::value &&
                  Appendable<wchar_t>::value,
              "what cannot be printed as text is refused");

TEST(MsgText, NullStartsAndAppends) {
    EXPECT_EQ(MsgText(static_cast<const wchar_t*>(nullptr)).str(), L"<null>");
    EXPECT_EQ(MsgText(static_cast<const char*>(nullptr)).str(), L"<null>");
    MsgText t(L"a");
    t << static_cast<const wchar_t*>(nullptr) << L"b";
    EXPECT_EQ(t.str(), L"ab");
}

TEST(MsgText, NumbersInRadixAndDecimal) {
    EXPECT_EQ(MsgText(int32_t(-42), 10).str(), L"-42");
    EXPECT_EQ(MsgText(uint32_t(0xBEEF), 16).str(), L"beef");
    EXPECT_EQ(MsgText(int32_t(INT32_MIN), 10).str(), L"-2147483648");
    MsgText t(L"rc=");
    t << int32_t(7) << L" " << uint32_t(4294967295u) << L" " << int16_t(-3) << L" " << true;
    EXPECT_EQ(t.str(), L"rc=7 4294967295 -3 true");
}

TEST(MsgText, NarrowTextAndJoin) {
    EXPECT_EQ(MsgText("plain").str(), L"plain");
    MsgText mixed(L"[");
    mixed << "narrow" << L' ' << L'\x00e9' << static_cast<const char*>(nullptr) << L"]";
    EXPECT_EQ(mixed.str(), L"[narrow \x00e9]");
    EXPECT_EQ((L"x=" + MsgText(L"1")).str(), L"x=1");
}
