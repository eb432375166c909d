#include "InstalledVersion.h"

#include "CIniReader.h"
#include "KIVOptions.h"
#include "ScopedHandle.h"

#include <vector>

std::wstring installedVersionKey(const std::wstring& vendor) {
    // Compared exactly: "OSKEL" is not a brand this package knows.
    if (vendor == L"Tavrin")
        return L"Software\\TavrinInkjet\\KIV";
    if (vendor == L"Oskel")
        return L"Software\\OskelInkjet\\KIV";
    return std::wstring();
}

std::wstring installedVersionValueName(std::wstring name) {
    for (wchar_t& c : name)
        if (c == L' ')
            c = L'_';
    return name;
}

namespace {

void writeRecord(const std::wstring& key, const std::wstring& valueName,
                 const std::wstring& version) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return;
    ScopedRegKey k(raw);
    // The data carries its terminating zero.
    ::RegSetValueExW(k.get(), valueName.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(version.c_str()),
                     static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
}

} // namespace

void recordInstalledVersion(KIVOptions* options, std::wstring version) {
    if (!options)
        return;
    const uint32_t count = options->getDevListSize();
    for (uint32_t i = 0; i < count; ++i) {
        KIVDevice device;
        if (options->getDeviceAt(i, device) != 0 || device.getUpdateStatus() != KIVDevice::Updated)
            continue;
        CIniReader ini;
        ini.setINIFileName(options->getConfigIniPath());
        const std::vector<std::wstring>& model = ini.getKeyValue(L"DriverModelName");
        const std::wstring valueName =
            installedVersionValueName(model.empty() ? std::wstring() : model[0]);
        // Without a "Vendor" key there is no brand to record under; the run
        // goes on instead of failing on the empty list.
        const std::vector<std::wstring>& vendor = ini.getKeyValue(L"Vendor");
        if (vendor.empty())
            continue;
        const std::wstring key = installedVersionKey(vendor[0]);
        if (key.empty())
            continue;
        writeRecord(key, valueName, version);
    }
}
