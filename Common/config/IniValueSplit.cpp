#include "IniValueSplit.h"

namespace {

void appendSplit(const wchar_t* text, size_t count, wchar_t separator,
                 std::vector<std::wstring>& out) {
    size_t start = 0;
    for (size_t i = 0; i <= count; ++i) {
        if (i == count || text[i] == separator || text[i] == L'\0') {
            if (i > start)
                out.emplace_back(text + start, i - start);
            start = i + 1;
            if (i < count && text[i] == L'\0' && separator != L'\0')
                break;
        }
    }
}

} // namespace

void appendCommaPieces(const wchar_t* value, size_t count, std::vector<std::wstring>& out) {
    appendSplit(value, count, L',', out);
}

std::wstring trimBlanks(const std::wstring& text) {
    const wchar_t* blanks = L" \t";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void appendNullSeparated(const wchar_t* list, size_t count, std::vector<std::wstring>& out) {
    appendSplit(list, count, L'\0', out);
}
