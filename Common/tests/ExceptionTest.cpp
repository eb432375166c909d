#include "ErrorText.h"
#include "Win32Exception.h"
#include "WindowsSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorText, KnownCodeWithoutLineBreaks) {
    std::wstring text = getErrorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find(L"Error getting message:"), std::wstring::npos)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST(ErrorText, UnknownCodeNamesTheLookupsOwnError) {
    std::wstring text = getErrorText(0x2000ABCDu);
    const std::wstring prefix = L"Error getting message:";
    ASSERT_EQ(text.compare(0, prefix.size(), prefix), 0);
    std::wstring number = text.substr(prefix.size());
    ASSERT_FALSE(number.empty());
    EXPECT_EQ(number.find_first_not_of(L"0123456789"), std::wstring::npos)
        << "no blank, digits only";
    EXPECT_NE(number, L"0");
}

TEST(Exception, CodeTextsAndCopies) {
    Exception plain(L"step failed", 1223, L".\\Common\\X", 17);
    EXPECT_EQ(plain.getCodeText(), L"1223");
    EXPECT_EQ(Exception(L"m", 0, L"", 0).getCodeText(), L"");

    Win32Exception none(L"m", 0, L"", 0);
    EXPECT_EQ(none.getCodeText(), L"");
    Win32Exception denied(L"Mutex::acquire() WaitForSingleObject failed", 5, L".\\Common\\Mutex",
                          42);
    std::wstring text = denied.getCodeText();
    EXPECT_EQ(text.compare(0, 8, L"Win32(5)"), 0);
    EXPECT_NE(text.find(getErrorText(5)), std::wstring::npos);

    Win32Exception copy = denied;
    EXPECT_EQ(copy.getMessage(), L"Mutex::acquire() WaitForSingleObject failed");
    EXPECT_EQ(copy.getCode(), 5);
    EXPECT_EQ(copy.getSourceFile(), L".\\Common\\Mutex");
    EXPECT_EQ(copy.getLine(), 42);

    try {
        throw denied;
    } catch (const Exception& e) {
        EXPECT_EQ(e.getCodeText(), text) << "the override survives the throw";
    }
}

} // namespace
