#include "Win32Exception.h"

#include "ErrorText.h"

std::wstring Win32Exception::getCodeText() const {
    if (getCode() == 0)
        return std::wstring();
    return L"Win32(" + std::to_wstring(getCode()) + L"): " +
           getErrorText(static_cast<uint32_t>(getCode()));
}
