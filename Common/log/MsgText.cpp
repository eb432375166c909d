#include "MsgText.h"

#include <cstdlib>
#include <vector>

namespace {

template <class U> std::wstring toRadix(U value, bool negative, int radix) {
    if (radix < 2 || radix > 36)
        radix = 10;
    wchar_t buf[40];
    int pos = 40;
    do {
        unsigned digit = static_cast<unsigned>(value % static_cast<U>(radix));
        buf[--pos] = static_cast<wchar_t>(digit < 10 ? L'0' + digit : L'a' + digit - 10);
        value /= static_cast<U>(radix);
    } while (value != 0);
    if (negative)
        buf[--pos] = L'-';
    return std::wstring(buf + pos, buf + 40);
}

std::wstring signedText(long long value, int radix) {
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    return toRadix(magnitude, negative, radix);
}

} // namespace

MsgText::MsgText(const wchar_t* text) : text_(text ? text : L"<null>") {}

MsgText::MsgText(const std::wstring& text) : text_(text) {}

MsgText::MsgText(const char* text) {
    if (!text)
        text_ = L"<null>";
    else
        *this << text;
}

MsgText::MsgText(int32_t value, int radix) : text_(signedText(value, radix)) {}

MsgText::MsgText(uint32_t value, int radix) : text_(toRadix<uint32_t>(value, false, radix)) {}

MsgText& MsgText::operator<<(const wchar_t* text) {
    if (text)
        text_ += text;
    return *this;
}

MsgText& MsgText::operator<<(const char* text) {
    if (!text)
        return *this;
    size_t needed = std::mbstowcs(nullptr, text, 0);
    if (needed == static_cast<size_t>(-1))
        return *this;
    std::vector<wchar_t> buf(needed + 1);
    std::mbstowcs(buf.data(), text, needed + 1);
    text_.append(buf.data(), needed);
    return *this;
}

MsgText& MsgText::operator<<(wchar_t c) {
    text_ += c;
    return *this;
}

MsgText& MsgText::operator<<(const std::wstring& text) {
    text_ += text;
    return *this;
}

MsgText& MsgText::operator<<(const MsgText& other) {
    text_ += other.text_;
    return *this;
}

MsgText& MsgText::operator<<(bool value) {
    text_ += value ? L"true" : L"false";
    return *this;
}

MsgText& MsgText::appendSigned(long long value) {
    text_ += signedText(value, 10);
    return *this;
}

MsgText& MsgText::appendUnsigned(unsigned long long value) {
    text_ += toRadix(value, false, 10);
    return *this;
}

MsgText operator+(const wchar_t* left, const MsgText& right) {
    MsgText result(left ? left : L"");
    result << right;
    return result;
}
