#include "SpoolerPorts.h"

#include "IniValueSplit.h"
#include "ScopedHandle.h"
#include "TextCase.h"

const wchar_t* const SpoolerPortsKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
const wchar_t* const PrintQueuesKey = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

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

// The names of a key's subkeys; a name too long for the buffer is passed over.
std::vector<std::wstring> subkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = sizeof name / sizeof name[0];
        LONG rc = ::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        names.push_back(std::wstring(name, length));
    }
    return names;
}
} // namespace

std::vector<SpoolerPortValues> readSpoolerPorts() {
    std::vector<SpoolerPortValues> result;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, SpoolerPortsKey, 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return result;
    ScopedRegKey ports(raw);
    for (const std::wstring& name : subkeyNames(ports.get()))
        result.push_back(readPort(ports.get(), name));
    return result;
}

std::map<std::wstring, std::vector<std::wstring>> readQueueDrivers() {
    std::map<std::wstring, std::vector<std::wstring>> drivers;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, PrintQueuesKey, 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return drivers;
    ScopedRegKey queues(raw);
    for (const std::wstring& name : subkeyNames(queues.get())) {
        HKEY rawQueue = nullptr;
        if (::RegOpenKeyExW(queues.get(), name.c_str(), 0, KEY_READ, &rawQueue) != ERROR_SUCCESS)
            continue;
        ScopedRegKey queue(rawQueue);
        const std::wstring driver = readText(queue.get(), L"Printer Driver");
        const std::wstring ports = readText(queue.get(), L"Port");
        if (driver.empty())
            continue;
        std::vector<std::wstring> pieces;
        appendCommaPieces(ports.c_str(), ports.size(), pieces);
        for (const std::wstring& piece : pieces) {
            const std::wstring port = trimBlanks(piece);
            if (!port.empty())
                drivers[upperAscii(port)].push_back(driver);
        }
    }
    return drivers;
}
