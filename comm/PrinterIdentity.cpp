#include "PrinterIdentity.h"

std::wstring PrinterIdentity::identifiersText() const {
    return identifiersRead ? vid + L":" + pid : std::wstring();
}

std::wstring PrinterIdentity::nameOr(const std::wstring& fallback) const {
    return modelRead && !model.empty() ? model : fallback;
}

std::wstring PrinterIdentity::forLog() const {
    return L"ids=" + (identifiersRead ? identifiersText() : std::wstring(L"unread")) + L" model=" +
           (modelRead ? model : std::wstring(L"unread"));
}
