#include "ErrorText.h"

#include "WindowsSupport.h"

std::wstring getErrorText(uint32_t code) {
    wchar_t buffer[256];
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, 256, nullptr);
    // A system installed in another language may have no English texts
    // (the failure then varies with its language packs): its own text says
    // more than the lookup's failure.
    if (length == 0)
        length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, buffer, 256, nullptr);
    if (length == 0)
        return L"Error getting message:" + std::to_wstring(GetLastError());
    std::wstring text;
    text.reserve(length);
    for (DWORD i = 0; i < length && buffer[i] != L'\0'; ++i) {
        if (buffer[i] != L'\r' && buffer[i] != L'\n')
            text += buffer[i];
    }
    return text;
}
