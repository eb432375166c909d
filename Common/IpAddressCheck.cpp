#include "IpAddressCheck.h"

#include "TextConvert.h"
#include "WindowsSupport.h"

#include <winsock2.h>

namespace {

// No dotted address comes near this length; longer texts are not parsed.
const size_t kMaxAddressText = 99;

bool isAddress(const std::wstring& text) {
    if (text.size() > kMaxAddressText || text.find(L'\0') != std::wstring::npos)
        return false;
    std::string narrow;
    if (!narrowLatin1(text, narrow))
        return false;
    unsigned long address = inet_addr(narrow.c_str());
    return address != INADDR_NONE && address != 0;
}

} // namespace

int checkIpAddress(const std::wstring& text) {
    // The prefix is cut from the start of the text wherever it was found.
    size_t cut = 0;
    if (text.find(L"https://") != std::wstring::npos)
        cut = 8;
    else if (text.find(L"http://") != std::wstring::npos)
        cut = 7;
    if (cut == 0)
        return isAddress(text) ? 1 : 0;
    return isAddress(text.substr(cut)) ? 1 : 2;
}
