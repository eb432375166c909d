#include "EngineText.h"

#include <climits>

namespace EngineText {

int32_t leadingInt(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

std::wstring hexText(const unsigned char* bytes, uint32_t length) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring out;
    if (!bytes)
        return out;
    out.reserve(length * 2);
    for (uint32_t i = 0; i < length; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

std::wstring widenUntilZero(const unsigned char* bytes, uint32_t length) {
    std::wstring out;
    if (!bytes)
        return out;
    for (uint32_t i = 0; i < length && bytes[i] != 0; ++i)
        out += static_cast<wchar_t>(bytes[i]);
    return out;
}

std::vector<std::wstring> splitKeepEmpty(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    if (text.empty())
        return pieces;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(separator, start);
        if (pos == std::wstring::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::wstring before(const std::wstring& text, wchar_t separator) {
    return text.substr(0, text.find(separator));
}

} // namespace EngineText
