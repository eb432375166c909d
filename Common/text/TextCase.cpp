#include "TextCase.h"

namespace {
wchar_t upperLetter(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}
} // namespace

std::wstring upperAscii(std::wstring text) {
    for (wchar_t& c : text)
        c = upperLetter(c);
    return text;
}

std::wstring lowerAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

bool equalsIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upperLetter(a[i]) != upperLetter(b[i]))
            return false;
    return true;
}
