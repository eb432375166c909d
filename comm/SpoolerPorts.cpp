#include "SpoolerPorts.h"

#include "ScopedHandle.h"

const wchar_t* const SpoolerPortsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";

namespace {
std::wstring readText(HKEY key, const wchar_t* name) {
    // Port values are short; a longer one is not an address we could use.
    wchar_t buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    buffer[size / sizeof(wchar_t)] = L'\0';
    return std::wstring(buffer);
}

void readNumber(HKEY key, const wchar_t* name, uint32_t& value) {
    DWORD number = 0;
    DWORD type = 0;
    DWORD size = sizeof number;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof number)
        value = number;
}

SpoolerPortValues readPort(HKEY ports, const std::wstring& name) {
    SpoolerPortValues values;
    values.name = name;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(ports, name.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return values;
    ScopedRegKey port(raw);
    values.hostName = readText(port.get(), L"HostName");
    values.ipAddress = readText(port.get(), L"IPAddress");
    readNumber(port.get(), L"PortNumber", values.portNumber);
    readNumber(port.get(), L"Protocol", values.protocol);
    return values;
}
} // namespace

std::vector<SpoolerPortValues> readSpoolerPorts() {
    std::vector<SpoolerPortValues> result;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, SpoolerPortsKey, 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return result;
    ScopedRegKey ports(raw);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = sizeof name / sizeof name[0];
        LONG rc =
            ::RegEnumKeyExW(ports.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        result.push_back(readPort(ports.get(), std::wstring(name, length)));
    }
    return result;
}
