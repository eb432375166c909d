#include "IpAddressCheck.h"

#include "SystemAddressParser.h"
#include "TextConvert.h"

namespace {

// No dotted address comes near this length; longer texts are not parsed.
const size_t kMaxAddressText = 99;

// Four decimal parts as decimal; any other text by the system's
// dotted-address parser, with its every form (fewer than four parts, octal
// and hexadecimal numbers). Neither 0.0.0.0 nor the broadcast address is a
// printer.
bool isAddress(const std::wstring& text, uint32_t& hostOrder) {
    if (text.size() > kMaxAddressText || text.find(L'\0') != std::wstring::npos)
        return false;
    uint32_t decimal = 0;
    if (parseDottedIPv4(text, decimal)) {
        if (decimal == 0 || decimal == 0xFFFFFFFFu)
            return false;
        hostOrder = decimal;
        return true;
    }
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

bool parseDottedIPv4(const std::wstring& text, uint32_t& address) {
    uint32_t result = 0;
    size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != L'.')
                return false;
            ++i;
        }
        size_t digits = 0;
        uint32_t value = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && digits < 4) {
            value = value * 10 + static_cast<uint32_t>(text[i] - L'0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return false;
        result = (result << 8) | value;
    }
    if (i != text.size())
        return false;
    address = result;
    return true;
}

std::wstring dottedText(uint32_t address) {
    std::wstring text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += (shift == 24 ? L"" : L".") + std::to_wstring((address >> shift) & 0xff);
    return text;
}

std::wstring enteredAddress(const std::wstring& text) {
    const wchar_t* const blanks = L" \t";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
