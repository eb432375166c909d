// The check of an entered printer address and the reading of it for the link.
// Beyond running clean: the check accepts exactly what the reading reads; a
// text without any "http://" or "https://" is never a prefixed non-address;
// an accepted address is neither 0.0.0.0 nor 255.255.255.255, came from at
// most 99 Latin-1 characters after the prefix, and reads the same again
// written as a plain dotted quad, with or without a prefix. The entered text
// without its blanks and tabs is a piece of it that neither starts nor ends
// with one.
#include "FuzzInput.h"
#include "IpAddressCheck.h"

namespace {

std::wstring dottedQuad(uint32_t a) {
    return std::to_wstring(a >> 24) + L"." + std::to_wstring(a >> 16 & 0xFF) + L"." +
           std::to_wstring(a >> 8 & 0xFF) + L"." + std::to_wstring(a & 0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    bool wide = in.ConsumeBool();
    std::wstring text = wide ? wideText(in, 160) : byteText(in, 160);

    int check = checkIpAddress(text);
    uint32_t address = 0;
    bool read = parseIpAddress(text, address);
    FUZZ_CHECK(check >= 0 && check <= 2);
    FUZZ_CHECK((check == 1) == read);
    std::wstring entered = enteredAddress(text);
    FUZZ_CHECK(text.find(entered) != std::wstring::npos);
    FUZZ_CHECK(entered.empty() || (entered.front() != L' ' && entered.front() != L'\t' &&
                                   entered.back() != L' ' && entered.back() != L'\t'));
    bool prefixed =
        text.find(L"http://") != std::wstring::npos || text.find(L"https://") != std::wstring::npos;
    if (!prefixed)
        FUZZ_CHECK(check != 2);
    else
        FUZZ_CHECK(check != 0);
    if (!read)
        return 0;
    FUZZ_CHECK(address != 0 && address != 0xFFFFFFFFu);
    size_t cut = text.find(L"https://") != std::wstring::npos ? 8 : prefixed ? 7 : 0;
    FUZZ_CHECK(text.size() >= cut && text.size() - cut <= 99);
    for (size_t i = cut; i < text.size(); ++i)
        FUZZ_CHECK(text[i] != 0 && text[i] < 0x100);
    uint32_t again = 0;
    FUZZ_CHECK(parseIpAddress(dottedQuad(address), again) && again == address);
    FUZZ_CHECK(parseIpAddress(L"http://" + dottedQuad(address), again) && again == address);
    return 0;
}
