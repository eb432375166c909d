#include "LanguageCode.h"

namespace {

// Primary language (low byte of the language id) to folder code. Chinese and
// Portuguese have two folders each, told apart by the whole id below.
const struct {
    uint16_t primary;
    const wchar_t* code;
} kCodes[] = {{0x01, L"ar"}, {0x04, L"zh"}, {0x05, L"cs"}, {0x06, L"da"},    {0x07, L"de"},
              {0x08, L"el"}, {0x09, L"en"}, {0x0A, L"es"}, {0x0B, L"fi"},    {0x0C, L"fr"},
              {0x0D, L"he"}, {0x0E, L"hu"}, {0x10, L"it"}, {0x11, L"ja"},    {0x12, L"ko"},
              {0x13, L"nl"}, {0x14, L"no"}, {0x15, L"pl"}, {0x16, L"pt-PT"}, {0x18, L"ro"},
              {0x19, L"ru"}, {0x1D, L"sv"}, {0x1F, L"tr"}};

} // namespace

std::wstring getLanguageCode(uint16_t languageId) {
    if (languageId == 0x0404)
        return L"zh-TW";
    if (languageId == 0x0416)
        return L"pt-BR";
    for (const auto& entry : kCodes) {
        if (entry.primary == (languageId & 0xFF))
            return entry.code;
    }
    return L"en";
}
