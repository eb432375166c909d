#include "HexCommand.h"

namespace {
int hexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}
} // namespace

bool parseHexCommand(const wchar_t* text, std::vector<uint8_t>& out) {
    out.clear();
    if (!text)
        return false;
    std::wstring digits(text);
    if (digits.empty() || digits.size() % 2 != 0)
        return false;
    out.reserve(digits.size() / 2);
    for (size_t i = 0; i < digits.size(); i += 2) {
        int high = hexDigitValue(digits[i]);
        int low = hexDigitValue(digits[i + 1]);
        if (high < 0 || low < 0) {
            out.clear();
            return false;
        }
        out.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

std::wstring toHexText(const uint8_t* data, size_t size) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}
