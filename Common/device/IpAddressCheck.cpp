#include "IpAddressCheck.h"

#include "SystemAddressParser.h"
#include "TextConvert.h"

namespace {

// No dotted address comes near this length; longer texts are not parsed.
const size_t kMaxAddressText = 99;

// The system's dotted-address parser, with its every form (fewer than four
// parts, octal and hexadecimal numbers).
bool isAddress(const std::wstring& text, uint32_t& hostOrder) {
    if (text.size() > kMaxAddressText || text.find(L'\0') != std::wstring::npos)
        return false;
    std::string narrow;
    if (!narrowLatin1(text, narrow))
        return false;
    uint32_t address = 0;
    if (!systemDottedAddress(narrow.c_str(), address) || address == 0)
        return false;
    hostOrder = address;
    return true;
}

// The prefix is cut from the start of the text wherever it was found.
size_t prefixLength(const std::wstring& text) {
    if (text.find(L"https://") != std::wstring::npos)
        return 8;
    if (text.find(L"http://") != std::wstring::npos)
        return 7;
    return 0;
}

} // namespace

int checkIpAddress(const std::wstring& text) {
    uint32_t ignored = 0;
    if (parseIpAddress(text, ignored))
        return 1;
    return prefixLength(text) > 0 ? 2 : 0;
}

bool parseIpAddress(const std::wstring& text, uint32_t& address) {
    size_t cut = prefixLength(text);
    return isAddress(cut == 0 ? text : text.substr(cut), address);
}

std::wstring enteredAddress(const std::wstring& text) {
    const wchar_t* const blanks = L" \t";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
