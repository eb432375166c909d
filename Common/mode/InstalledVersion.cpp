#include "InstalledVersion.h"

#include "CIniReader.h"
#include "ConsoleLine.h"
#include "ErrorText.h"
#include "KIVOptions.h"
#include "MethodTrace.h"
#include "ScopedHandle.h"

#include <ostream>
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

// The registry call that failed, or empty, and its error.
struct WriteResult {
    const wchar_t* failedCall = nullptr;
    LONG error = ERROR_SUCCESS;
};

WriteResult writeRecord(const std::wstring& key, const std::wstring& valueName,
                        const std::wstring& version) {
    WriteResult result;
    HKEY raw = nullptr;
    result.error =
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE, nullptr, &raw, nullptr);
    if (result.error != ERROR_SUCCESS) {
        result.failedCall = L"RegCreateKeyEx";
        return result;
    }
    ScopedRegKey k(raw);
    // The data carries its terminating zero.
    result.error = ::RegSetValueExW(k.get(), valueName.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(version.c_str()),
                                    static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
    if (result.error != ERROR_SUCCESS)
        result.failedCall = L"RegSetValueEx";
    return result;
}

// A standard user cannot write HKLM: the run's outcome stands, but other
// software will not see the new version, and whoever reads the log or the
// result lines must learn why.
void reportFailure(const WriteResult& result, const std::wstring& key, std::wostream* errorLines) {
    const std::wstring line = std::wstring(L"Installed version not recorded: ") +
                              result.failedCall + L" failed on HKLM\\" + key + L", error " +
                              std::to_wstring(result.error) + L": " +
                              getErrorText(static_cast<uint32_t>(result.error));
    logLine(LogKIVInit, line);
    if (errorLines)
        writeTolerantLine(*errorLines, line);
}

} // namespace

bool recordInstalledVersion(KIVOptions* options, std::wstring version, std::wostream* errorLines) {
    if (!options)
        return true;
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
        // Without a "Vendor" this program knows there is no brand to record
        // under; the run goes on, and whoever reads the log or the result
        // lines learns why other software will not see the new version.
        const std::vector<std::wstring>& vendor = ini.getKeyValue(L"Vendor");
        const std::wstring key = vendor.empty() ? std::wstring() : installedVersionKey(vendor[0]);
        if (key.empty()) {
            const std::wstring line =
                L"Installed version not recorded: config.ini names no brand this program knows "
                L"(Vendor=" +
                (vendor.empty() ? std::wstring() : vendor[0]) + L")";
            logLine(LogKIVInit, line);
            if (errorLines)
                writeTolerantLine(*errorLines, line);
            return false;
        }
        const WriteResult result = writeRecord(key, valueName, version);
        if (result.failedCall) {
            // Every updated device writes the same value, which would fail
            // the same way: one report says it.
            reportFailure(result, key, errorLines);
            return false;
        }
    }
    return true;
}
