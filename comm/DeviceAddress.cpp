#include "DeviceAddress.h"

#include "TextCase.h"

#include <cwctype>

namespace {
bool isHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// The four hex digits after `tag`, where `tag` starts the path or follows a
// separator, so that "xvid_" inside some other word is not taken.
bool taggedHex4(const std::wstring& lower, const std::wstring& original, const wchar_t* tag,
                std::wstring& out) {
    std::wstring t(tag);
    for (size_t pos = lower.find(t); pos != std::wstring::npos; pos = lower.find(t, pos + 1)) {
        if (pos > 0 && std::iswalnum(lower[pos - 1]))
            continue;
        size_t start = pos + t.size();
        if (start + 4 > lower.size())
            return false;
        bool ok = true;
        for (size_t i = start; i < start + 4; ++i)
            ok = ok && isHexDigit(lower[i]);
        // A fifth digit would mean this is not a 16-bit identifier.
        if (ok && start + 4 < lower.size() && isHexDigit(lower[start + 4]))
            ok = false;
        if (ok) {
            out = upperAscii(original.substr(start, 4));
            return true;
        }
    }
    return false;
}
} // namespace

bool spoolerPortTarget(const SpoolerPortValues& values, std::wstring& address, uint16_t& port) {
    if (values.protocol != SpoolerPortValues::RawProtocol)
        return false;
    if (values.portNumber == 0 || values.portNumber > 65535)
        return false;
    uint32_t value = 0;
    if (!parseDottedIPv4(values.ipAddress, value) && !parseDottedIPv4(values.hostName, value))
        return false;
    // Written out again without leading zeros, as every other part of the
    // program would write it.
    address = dottedText(value);
    port = static_cast<uint16_t>(values.portNumber);
    return true;
}

std::wstring usbPortName(const std::wstring& baseName, uint32_t number) {
    std::wstring digits = std::to_wstring(number);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), L'0');
    return baseName + digits;
}

bool usbIdentifiersFromPath(const std::wstring& path, std::wstring& vid, std::wstring& pid) {
    std::wstring lower = lowerAscii(path);
    std::wstring v, p;
    if (!taggedHex4(lower, path, L"vid_", v) || !taggedHex4(lower, path, L"pid_", p))
        return false;
    vid = v;
    pid = p;
    return true;
}
