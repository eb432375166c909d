#include "LanguageCode.h"

std::wstring getLanguageCode(uint16_t languageId) {
    switch (languageId & 0xFF) {
    case 0x01:
        return L"ar";
    case 0x04:
        return languageId == 0x0404 ? L"zh-TW" : L"zh";
    case 0x05:
        return L"cs";
    case 0x06:
        return L"da";
    case 0x07:
        return L"de";
    case 0x08:
        return L"el";
    case 0x09:
        return L"en";
    case 0x0A:
        return L"es";
    case 0x0B:
        return L"fi";
    case 0x0C:
        return L"fr";
    case 0x0D:
        return L"he";
    case 0x0E:
        return L"hu";
    case 0x10:
        return L"it";
    case 0x11:
        return L"ja";
    case 0x12:
        return L"ko";
    case 0x13:
        return L"nl";
    case 0x14:
        return L"no";
    case 0x15:
        return L"pl";
    case 0x16:
        return languageId == 0x0416 ? L"pt-BR" : L"pt-PT";
    case 0x18:
        return L"ro";
    case 0x19:
        return L"ru";
    case 0x1D:
        return L"sv";
    case 0x1F:
        return L"tr";
    default:
        return L"en";
    }
}
